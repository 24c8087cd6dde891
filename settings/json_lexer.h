// Cursor over the wide text that the JSON parser reads, with the nesting depth it has reached.
#pragma once

#include <cstddef>
#include <string_view>

class JsonLexer {
public:
    // Deeper nesting fails the parse: the parser recurses once per level, and a hostile file
    // must not exhaust the stack. The program's own files nest three levels.
    static constexpr int kMaxDepth = 512;

    explicit JsonLexer(std::wstring_view text) : pos_(text.data()), end_(text.data() + text.size()) {}

    bool AtEnd() const { return pos_ == end_; }
    // The next character; only when not AtEnd.
    wchar_t Peek() const { return *pos_; }
    // Consumes count characters; never more than are left.
    void Advance(size_t count = 1) { pos_ += count; }
    // Consumes and returns the next character; false at the end.
    bool Next(wchar_t& c) {
        if (pos_ == end_)
            return false;
        c = *pos_++;
        return true;
    }

    void SkipWhitespace() {
        while (pos_ != end_ && (*pos_ == L' ' || *pos_ == L'\t' || *pos_ == L'\r' || *pos_ == L'\n')) ++pos_;
    }
    // Skips whitespace, then consumes c if it comes next.
    bool Expect(wchar_t c) {
        SkipWhitespace();
        if (pos_ == end_ || *pos_ != c)
            return false;
        ++pos_;
        return true;
    }

    // Entering an object or array: false when that would exceed kMaxDepth.
    bool Enter() {
        if (depth_ >= kMaxDepth)
            return false;
        ++depth_;
        return true;
    }
    void Leave() { --depth_; }

    // What has not been read yet.
    std::wstring_view Rest() const { return {pos_, static_cast<size_t>(end_ - pos_)}; }

private:
    const wchar_t* pos_;
    const wchar_t* end_;
    int depth_ = 0;
};
