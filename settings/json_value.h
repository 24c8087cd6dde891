// The program's own JSON document model: owning, move-only values whose objects keep their
// members in insertion order (for writing) and in an ordinal key map (for lookups).
// A document is used by one thread at a time; nothing here locks.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class JsonKind : int32_t {
    Null = 0,
    Object = 1,
    Array = 2,
    String = 3,
    Bool = 4,
    Integer = 5,
    Real = 6,
};

class JsonObject;
class JsonLexer;

// One value: its kind and an 8-byte payload (a pointer to the owned object, array or string, or
// the bool, integer or real itself). Values are moved, never shared: moving leaves the source Null.
class JsonValue {
public:
    JsonValue() noexcept { payload_.integer = 0; }
    JsonValue(JsonValue&& other) noexcept;
    JsonValue& operator=(JsonValue&& other) noexcept;
    JsonValue(const JsonValue&) = delete;
    JsonValue& operator=(const JsonValue&) = delete;
    ~JsonValue() { Clear(); }

    JsonKind Kind() const noexcept { return kind_; }

    // Frees the payload; the kind becomes Null.
    void Clear() noexcept;
    // Becomes an empty value of kind k (empty object, array or string; zero for the scalars)
    // unless it already has that kind, in which case nothing changes.
    void SetKind(JsonKind k);

    // The member's value when this is an object holding key with kind k, else null.
    JsonValue* Find(std::wstring_view key, JsonKind k);
    const JsonValue* Find(std::wstring_view key, JsonKind k) const;
    // The member's value, made an object first if needed; a missing member is appended; the
    // member then gets kind k (an existing member of that kind keeps its value).
    JsonValue& Member(std::wstring_view key, JsonKind k);
    void SetString(std::wstring_view key, std::wstring_view text);

    // Reads one value at the lexer. False at the first syntax error; what was read stays.
    bool Parse(JsonLexer& lexer);
    // Appends the value's text. indent is "\r\n" for the pretty form, empty for the compact one;
    // it is changed on the way and restored.
    void WriteText(std::wstring& out, std::wstring& indent) const;

    // Payload access; asking for a kind the value does not have throws std::logic_error.
    JsonObject& AsObject();
    const JsonObject& AsObject() const;
    std::vector<JsonValue>& AsArray();
    const std::vector<JsonValue>& AsArray() const;
    std::wstring& AsString();
    const std::wstring& AsString() const;
    bool AsBool() const;
    int64_t AsInteger() const;
    double AsReal() const;

    // Each gives the value that kind and stores the payload.
    void SetBool(bool value);
    void SetInteger(int64_t value);
    void SetReal(double value);

private:
    void Expect(JsonKind k) const;

    // Trivially copyable, so a move copies the whole slot whatever it holds.
    union Payload {
        JsonObject* object;
        std::vector<JsonValue>* array;
        std::wstring* string;
        bool boolean;
        int64_t integer;
        double real;
    };

    JsonKind kind_ = JsonKind::Null;
    Payload payload_;
};

using JsonArray = std::vector<JsonValue>;

// A member, allocated once and owned by its object; its key never changes, so the object's map
// can point at it.
struct JsonMember {
    explicit JsonMember(std::wstring key) : key(std::move(key)) {}

    const std::wstring key;
    JsonValue value;
};

// Members keyed ordinally (UTF-16 code units compared as unsigned numbers) and kept in the
// order they were added. A key occurs at most once.
class JsonObject {
public:
    JsonValue* Find(std::wstring_view key);
    const JsonValue* Find(std::wstring_view key) const;
    // The member's value; a missing member is appended as Null.
    JsonValue& FindOrAppend(std::wstring_view key);

    // In insertion order: the order the writer uses.
    const std::vector<std::unique_ptr<JsonMember>>& Members() const { return order_; }
    size_t Size() const { return order_.size(); }
    bool Empty() const { return order_.empty(); }

private:
    struct OrdinalLess {
        using is_transparent = void;
        bool operator()(std::wstring_view a, std::wstring_view b) const noexcept;
    };

    // The views point into the members' own keys.
    std::map<std::wstring_view, JsonMember*, OrdinalLess> byKey_;
    std::vector<std::unique_ptr<JsonMember>> order_;
};
