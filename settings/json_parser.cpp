// Reading JSON text into a JsonValue. Nothing throws for bad text (only out of memory): the
// first error returns false and leaves what was built so far in place.
#include <string>

#include "settings/hex_digit.h"
#include "settings/json_lexer.h"
#include "settings/json_number.h"
#include "settings/json_value.h"

namespace {

// Balances JsonLexer::Enter with Leave on every way out of a nested object or array.
class NestingLevel {
public:
    explicit NestingLevel(JsonLexer& lexer) : lexer_(lexer), entered_(lexer.Enter()) {}
    ~NestingLevel() {
        if (entered_)
            lexer_.Leave();
    }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;
    bool Entered() const { return entered_; }

private:
    JsonLexer& lexer_;
    bool entered_;
};

bool ReadFourHexDigits(JsonLexer& lexer, unsigned& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        wchar_t c;
        if (!lexer.Next(c))
            return false;
        int digit = HexDigitValue(c);
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return true;
}

bool IsHighSurrogate(unsigned unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(unsigned unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// After backslash-u: one code unit, or a high surrogate that must be followed at once by the
// escape of a low one.
bool ReadHexEscape(JsonLexer& lexer, std::wstring& out) {
    unsigned unit;
    if (!ReadFourHexDigits(lexer, unit) || IsLowSurrogate(unit))
        return false;
    if (IsHighSurrogate(unit)) {
        wchar_t backslash, u;
        unsigned low;
        if (!lexer.Next(backslash) || backslash != L'\\' || !lexer.Next(u) || u != L'u')
            return false;
        if (!ReadFourHexDigits(lexer, low) || !IsLowSurrogate(low))
            return false;
        out.push_back(static_cast<wchar_t>(unit));
        out.push_back(static_cast<wchar_t>(low));
        return true;
    }
    out.push_back(static_cast<wchar_t>(unit));
    return true;
}

bool ReadEscape(JsonLexer& lexer, std::wstring& out) {
    wchar_t c;
    if (!lexer.Next(c))
        return false;
    switch (c) {
        case L'"': out.push_back(L'"'); return true;
        case L'/': out.push_back(L'/'); return true;
        case L'\\': out.push_back(L'\\'); return true;
        case L'b': out.push_back(L'\b'); return true;
        case L'f': out.push_back(L'\f'); return true;
        case L'n': out.push_back(L'\n'); return true;
        case L'r': out.push_back(L'\r'); return true;
        case L't': out.push_back(L'\t'); return true;
        case L'u': return ReadHexEscape(lexer, out);
        default: return false;
    }
}

// The content after the opening quote, up to the same quote character. Closing only on the
// opening character lets the writer leave apostrophes unescaped inside quotation marks.
bool ReadStringContent(JsonLexer& lexer, wchar_t quote, std::wstring& out) {
    for (;;) {
        // Copy runs of plain characters at once: long strings are the bulk of a large file.
        std::wstring_view rest = lexer.Rest();
        size_t run = 0;
        while (run < rest.size() && rest[run] != quote && rest[run] != L'\\' && rest[run] >= 0x20) ++run;
        out.append(rest.data(), run);
        lexer.Advance(run);

        wchar_t c;
        if (!lexer.Next(c) || c < 0x20)
            return false;
        if (c == quote)
            return true;
        if (!ReadEscape(lexer, out))
            return false;
    }
}

bool ParseLiteral(JsonLexer& lexer, JsonValue& target) {
    wchar_t first;
    lexer.Next(first);
    const wchar_t* rest = first == L't' ? L"rue" : first == L'f' ? L"alse" : L"ull";
    for (; *rest; ++rest) {
        wchar_t c;
        if (!lexer.Next(c) || c != *rest)
            return false;
    }
    if (first == L'n')
        target.Clear();
    else
        target.SetBool(first == L't');
    return true;
}

bool InSet(wchar_t c, const char* set) {
    for (; *set; ++set)
        if (c == static_cast<unsigned char>(*set))
            return true;
    return false;
}

// A leading 0 chooses the radix: 0b binary, 0x hexadecimal, 0. and 0e decimal, otherwise octal.
// The prefix letter is not part of the text converted, so "0x" alone reads as 0.
bool ParseNumber(JsonLexer& lexer, JsonValue& target) {
    std::string text(1, static_cast<char>(lexer.Peek()));
    lexer.Advance();
    int radix = 10;
    const char* set = "+-0123456789eE.";
    if (text[0] == '0' && !lexer.AtEnd() && lexer.Peek() == L'b') {
        lexer.Advance();
        radix = 2;
        set = "01.";
    } else if (text[0] == '0' && !lexer.AtEnd() && lexer.Peek() == L'x') {
        lexer.Advance();
        radix = 16;
        set = "0123456789ABCDEFabcdef.";
    } else if (text[0] == '0' &&
               !(!lexer.AtEnd() && (lexer.Peek() == L'.' || lexer.Peek() == L'e' || lexer.Peek() == L'E'))) {
        // A fraction or exponent after the leading 0 is decimal: the writer writes 0.9 that way,
        // and the octal digits would stop it at the 9.
        radix = 8;
        set = "+-01234567.";
    }
    while (!lexer.AtEnd() && InSet(lexer.Peek(), set)) {
        text.push_back(static_cast<char>(lexer.Peek()));
        lexer.Advance();
    }

    int64_t integer;
    if (IntegerFromText(text, radix, integer)) {
        target.SetInteger(integer);
        return true;
    }
    double real;
    if (!RealFromText(text, real))
        return false;
    target.SetReal(real);
    return true;
}

bool ParseObject(JsonLexer& lexer, JsonValue& target) {
    lexer.Advance();
    target.Clear();
    target.SetKind(JsonKind::Object);
    NestingLevel level(lexer);
    if (!level.Entered())
        return false;
    if (lexer.Expect(L'}'))
        return true;
    JsonObject& object = target.AsObject();
    for (;;) {
        std::wstring key;
        if (!lexer.Expect(L'"') || !ReadStringContent(lexer, L'"', key))
            return false;
        if (!lexer.Expect(L':'))
            return false;
        // A repeated key reuses its member: the later value wins, the first place stays.
        if (!object.FindOrAppend(key).Parse(lexer))
            return false;
        if (lexer.Expect(L','))
            continue;
        return lexer.Expect(L'}');
    }
}

bool ParseArray(JsonLexer& lexer, JsonValue& target) {
    lexer.Advance();
    target.Clear();
    target.SetKind(JsonKind::Array);
    NestingLevel level(lexer);
    if (!level.Entered())
        return false;
    if (lexer.Expect(L']'))
        return true;
    JsonArray& array = target.AsArray();
    for (;;) {
        array.emplace_back();
        if (!array.back().Parse(lexer))
            return false;
        if (lexer.Expect(L','))
            continue;
        return lexer.Expect(L']');
    }
}

bool ParseString(JsonLexer& lexer, JsonValue& target) {
    wchar_t quote;
    lexer.Next(quote);
    target.Clear();
    target.SetKind(JsonKind::String);
    return ReadStringContent(lexer, quote, target.AsString());
}

}  // namespace

bool JsonValue::Parse(JsonLexer& lexer) {
    lexer.SkipWhitespace();
    if (lexer.AtEnd())
        return false;
    wchar_t c = lexer.Peek();
    switch (c) {
        case L'{': return ParseObject(lexer, *this);
        case L'[': return ParseArray(lexer, *this);
        case L'"':
        case L'\'': return ParseString(lexer, *this);
        case L't':
        case L'f':
        case L'n': return ParseLiteral(lexer, *this);
        default:
            if ((c >= L'0' && c <= L'9') || c == L'-' || c == L'+')
                return ParseNumber(lexer, *this);
            return false;
    }
}
