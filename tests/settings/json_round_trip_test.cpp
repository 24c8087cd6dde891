// Property: whatever document the writer is given, parsing its text gives the same document
// back, in both forms (a real with an integral value coming back as that integer), and writing
// that again gives the same text.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "settings/mem_json.h"
#include "tests/settings/json_test_support.h"

namespace {

class RandomDocument {
public:
    explicit RandomDocument(uint32_t seed) : random_(seed) {}

    void Fill(JsonValue& value, int depth) {
        int kind = Pick(depth < 5 ? 7 : 5);
        switch (kind) {
            case 0: value.Clear(); break;
            case 1: value.SetBool(Pick(2) == 1); break;
            case 2: value.SetInteger(static_cast<int64_t>(random_())); break;
            case 3: value.SetReal(RandomReal()); break;
            case 4:
                value.SetKind(JsonKind::String);
                value.AsString() = RandomText();
                break;
            case 5: {
                value.SetKind(JsonKind::Array);
                int count = Pick(5);
                for (int i = 0; i < count; ++i) Fill(value.AsArray().emplace_back(), depth + 1);
                break;
            }
            case 6: {
                value.SetKind(JsonKind::Object);
                int count = Pick(5);
                for (int i = 0; i < count; ++i) Fill(value.Member(RandomText(), JsonKind::Null), depth + 1);
                break;
            }
        }
    }

private:
    int Pick(int count) { return static_cast<int>(random_() % static_cast<uint64_t>(count)); }

    // Mostly reals with a fraction; an integral real reads back as an integer by design.
    double RandomReal() {
        for (;;) {
            double value;
            switch (Pick(3)) {
                case 0: value = std::ldexp(static_cast<double>(random_() >> 11), Pick(200) - 150); break;
                case 1: value = static_cast<double>(random_() % 100000) / 1000.0; break;
                default: value = std::ldexp(1.0, Pick(2000) - 1074) * (1 + Pick(1000)); break;
            }
            if (Pick(2))
                value = -value;
            if (std::isfinite(value))
                return value;
        }
    }

    // Every kind of code unit: controls, escapes, apostrophes, DEL, non-ASCII, surrogate pairs.
    std::wstring RandomText() {
        static const wchar_t kUnits[] = L"aZ09 '\"\\/\b\f\n\r\t\x01\x1F\x7F\x80\u00e9\u041a\xFFFD{}[],:";
        std::wstring text;
        int length = Pick(8);
        for (int i = 0; i < length; ++i) {
            if (Pick(8) == 0) {
                text.push_back(static_cast<wchar_t>(0xD800 + Pick(0x400)));
                text.push_back(static_cast<wchar_t>(0xDC00 + Pick(0x400)));
            } else {
                text.push_back(kUnits[Pick(static_cast<int>(std::size(kUnits)) - 1)]);
            }
        }
        if (Pick(10) == 0)
            text.push_back(L'\0');
        return text;
    }

    std::mt19937_64 random_;
};

TEST(JsonRoundTrip, RandomDocumentsInBothForms) {
    for (uint32_t seed = 1; seed <= 2000; ++seed) {
        CMemJson original;
        RandomDocument(seed).Fill(original.root, 0);
        for (bool pretty : {true, false}) {
            original.pretty = pretty;
            std::wstring text = original.ToText();
            // NUL is written escaped, so the text has none to stop at.
            CMemJson reread;
            reread.pretty = pretty;
            ASSERT_TRUE(reread.LoadText(text))
                << "seed " << seed << " pretty " << pretty << testing::PrintToString(text);
            ASSERT_TRUE(JsonEquals(reread.root, original.root, true))
                << "seed " << seed << " pretty " << pretty << testing::PrintToString(text)
                << testing::PrintToString(reread.ToText());
            EXPECT_EQ(reread.ToText(), text) << "seed " << seed;
        }
    }
}

}  // namespace
