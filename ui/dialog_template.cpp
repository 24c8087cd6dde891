#include "ui/dialog_template.h"

namespace {

constexpr uint32_t kSetFont = 0x40L;  // DS_SETFONT (also part of DS_SHELLFONT)

// Little-endian reads that refuse to run past the end; every failure makes the whole parse fail.
class CReader {
public:
    CReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Word(uint16_t& value) {
        if (size_ - offset_ < 2)
            return false;
        value = static_cast<uint16_t>(data_[offset_] | (data_[offset_ + 1] << 8));
        offset_ += 2;
        return true;
    }
    bool Short(int32_t& value) {
        uint16_t word = 0;
        if (!Word(word))
            return false;
        value = static_cast<int16_t>(word);
        return true;
    }
    bool Dword(uint32_t& value) {
        uint16_t low = 0, high = 0;
        if (!Word(low) || !Word(high))
            return false;
        value = low | (static_cast<uint32_t>(high) << 16);
        return true;
    }
    bool Byte(uint8_t& value) {
        if (offset_ >= size_)
            return false;
        value = data_[offset_++];
        return true;
    }
    bool String(std::wstring& text) {
        text.clear();
        for (uint16_t unit = 0;;) {
            if (!Word(unit))
                return false;
            if (unit == 0)
                return true;
            text.push_back(static_cast<wchar_t>(unit));
        }
    }
    // A name or an ordinal (0xFFFF then the number); an empty name is written as one 0.
    bool NameOrOrdinal(std::wstring& text, uint16_t& ordinal) {
        ordinal = 0;
        uint16_t first = 0;
        if (!Word(first))
            return false;
        if (first == 0xFFFF)
            return Word(ordinal) && (text.clear(), true);
        offset_ -= 2;
        return String(text);
    }
    bool Skip(size_t count) {
        if (size_ - offset_ < count)
            return false;
        offset_ += count;
        return true;
    }
    bool AlignToDword() { return Skip((4 - offset_ % 4) % 4); }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

std::wstring PredefinedClass(uint16_t ordinal) {
    switch (ordinal) {
        case 0x80: return L"Button";
        case 0x81: return L"Edit";
        case 0x82: return L"Static";
        case 0x83: return L"ListBox";
        case 0x84: return L"ScrollBar";
        case 0x85: return L"ComboBox";
        default: return L"#" + std::to_wstring(ordinal);
    }
}

bool ReadRect(CReader& in, DialogUnitsRect& r) {
    return in.Short(r.x) && in.Short(r.y) && in.Short(r.cx) && in.Short(r.cy);
}

bool ReadItem(CReader& in, DialogTemplateItem& item) {
    uint32_t helpId = 0;
    uint16_t classOrdinal = 0, titleOrdinal = 0, extra = 0;
    if (!in.AlignToDword() || !in.Dword(helpId) || !in.Dword(item.exStyle) || !in.Dword(item.style) ||
        !ReadRect(in, item.rect) || !in.Dword(item.id) || !in.NameOrOrdinal(item.className, classOrdinal) ||
        !in.NameOrOrdinal(item.title, titleOrdinal) || !in.Word(extra))
        return false;
    if (classOrdinal)
        item.className = PredefinedClass(classOrdinal);
    return in.Skip(extra);
}

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const uint8_t* data, size_t size) {
    if (!data)
        return std::nullopt;
    CReader in(data, size);
    DialogTemplate result;
    uint16_t version = 0, signature = 0, count = 0, ordinal = 0;
    uint32_t helpId = 0, exStyle = 0;
    std::wstring ignored;
    if (!in.Word(version) || !in.Word(signature) || version != 1 || signature != 0xFFFF)
        return std::nullopt;
    if (!in.Dword(helpId) || !in.Dword(exStyle) || !in.Dword(result.style) || !in.Word(count) ||
        !ReadRect(in, result.rect) || !in.NameOrOrdinal(ignored, ordinal) || !in.NameOrOrdinal(ignored, ordinal) ||
        !in.String(ignored))
        return std::nullopt;
    if (result.style & kSetFont) {
        uint16_t points = 0, weight = 0;
        uint8_t italic = 0, charset = 0;
        if (!in.Word(points) || !in.Word(weight) || !in.Byte(italic) || !in.Byte(charset) ||
            !in.String(result.faceName))
            return std::nullopt;
        result.pointSize = points;
        result.weight = weight;
        result.italic = italic != 0;
    }
    result.items.resize(count);
    for (DialogTemplateItem& item : result.items) {
        if (!ReadItem(in, item))
            return std::nullopt;
    }
    return result;
}
