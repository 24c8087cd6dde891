#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "ui/masked_edit_model.h"

namespace {

// The key field of the main page: twelve hexadecimal digits.
CMaskedEditModel KeyField(const std::wstring& value = L"____________") {
    CMaskedEditModel model;
    model.mask = L"AAAAAAAAAAAA";
    model.inputTemplate = L"____________";
    model.templateChar = L'_';
    model.value = value;
    model.validChars = L"0123456789abcdefABCDEF";
    return model;
}

// A field of two parts, "12-34" style, to exercise the moves between fields.
CMaskedEditModel TwoFields(const std::wstring& value = L"__-__") {
    CMaskedEditModel model;
    model.mask = L"DD DD";
    model.inputTemplate = L"__-__";
    model.value = value;
    return model;
}

// The control's side, as far as the outcomes of the model drive it.
struct FieldUnderTest {
    CMaskedEditModel model;
    EditSelection selection;
    int beeps = 0;
    int passed = 0;

    void Apply(const EditOutcome& outcome) {
        beeps += outcome.beep ? 1 : 0;
        passed += outcome.passToControl ? 1 : 0;
        if (outcome.selection)
            selection = *outcome.selection;
    }
    void Type(const std::wstring& text) {
        for (wchar_t ch : text) Apply(model.Type(ch, selection));
    }
    void Key(EditKey key, bool shift = false, bool ctrl = false) {
        Apply(model.KeyDown(key, shift, ctrl, selection));
    }
};

const std::wstring kFull = L"0123456789AB";

TEST(MaskCharacter, ClassesAcceptWhatTheyName) {
    struct Row {
        wchar_t mask;
        std::wstring accepted;
        std::wstring refused;
    };
    const Row rows[] = {
        {L'D', L"09", L"a _+"}, {L'd', L"09 ", L"a_+"},     {L'C', L"aZ", L"0 _"},
        {L'c', L"aZ ", L"0_"},  {L'A', L"a0Z9", L" _-"},    {L'a', L"a0 ", L"_-"},
        {L'+', L"+- ", L"0a"},  {L'*', L"a0_ -~", L"\x01"}, {L'x', L"", L"a0 "},
    };
    for (const Row& row : rows) {
        for (wchar_t ch : row.accepted)
            EXPECT_TRUE(MaskCharacterAccepts(ch, row.mask)) << char(row.mask) << " " << char(ch);
        for (wchar_t ch : row.refused)
            EXPECT_FALSE(MaskCharacterAccepts(ch, row.mask)) << char(row.mask) << " " << int(ch);
    }
}

TEST(KeyField, TypingMixedCaseFillsFromTheStart) {
    FieldUnderTest field{KeyField(), {}};
    field.Type(L"aB3f");
    EXPECT_EQ(field.model.value, L"aB3f________");
    EXPECT_EQ(field.selection, (EditSelection{4, 4}));
    EXPECT_EQ(field.beeps, 0);

    field.Type(L"g");
    EXPECT_EQ(field.model.value, L"aB3f________");
    EXPECT_EQ(field.beeps, 1);
}

TEST(KeyField, TypingTellsTheControlWhichPositionChanged) {
    CMaskedEditModel model = KeyField();
    EditOutcome outcome = model.Type(L'c', {3, 3});
    ASSERT_TRUE(outcome.rewrite);
    EXPECT_EQ(*outcome.rewrite, (FieldRange{3, 4}));
    EXPECT_FALSE(outcome.passToControl);
}

TEST(KeyField, TypingAtTheEndBeeps) {
    FieldUnderTest field{KeyField(kFull), {12, 12}};
    field.Type(L"1");
    EXPECT_EQ(field.model.value, kFull);
    EXPECT_EQ(field.beeps, 1);
}

TEST(KeyField, UpperCaseStyleConvertsTypedLetters) {
    CMaskedEditModel model = KeyField();
    model.Type(L'a', {0, 0}, LetterCase::Upper);
    model.Type(L'B', {1, 1}, LetterCase::Lower);
    EXPECT_EQ(model.value, L"Ab__________");
}

TEST(KeyField, TypingOverASelectionClosesUpTheGroup) {
    FieldUnderTest field{KeyField(kFull), {2, 5}};
    field.Type(L"f");
    EXPECT_EQ(field.model.value, L"01f56789AB__");
    EXPECT_EQ(field.selection, (EditSelection{3, 3}));
}

TEST(KeyField, SetTextNormalisesOrRefuses) {
    struct Row {
        std::wstring text;
        bool accepted;
        std::wstring shown;  // what the control must show
        std::wstring value;
    };
    const Row rows[] = {
        {L"00112233aaFF", true, L"00112233aaFF", L"00112233aaFF"},
        {L"00112233aaFF0", false, L"", L"____________"},
        {L"12", true, L"12__________", L"12__________"},
        {L"", true, L"____________", L"____________"},
        {L"12 4", false, L"", L"____________"},
        {L"1g", false, L"", L"____________"},
        {L"1_3", true, L"1_3_________", L"1_3_________"},
    };
    for (const Row& row : rows) {
        CMaskedEditModel model = KeyField();
        auto shown = model.Assign(row.text);
        EXPECT_EQ(shown.has_value(), row.accepted) << std::string(row.text.begin(), row.text.end());
        if (shown) {
            EXPECT_EQ(*shown, row.shown);
        }
        EXPECT_EQ(model.value, row.value);
    }
}

TEST(KeyField, TextRequestKeepsThePlaceholders) {
    CMaskedEditModel model = KeyField(L"12__________");
    EXPECT_EQ(model.RequestedText(), L"12__________");
}

// Every key with every modifier on a full key field, caret at 5 and selection 3..7.
TEST(KeyField, EveryKeyWithEveryModifier) {
    enum Modifier { None, Shift, Ctrl, Both };
    struct Row {
        EditKey key;
        Modifier modifier;
        EditSelection before;
        // expected:
        std::wstring value;  // empty: unchanged
        std::optional<EditSelection> after;
        bool beep;
        bool toControl;
    };
    const EditSelection caret{5, 5};
    const EditSelection range{3, 7};
    const std::wstring deletedAt5 = L"012346789AB_";
    const std::wstring backAt5 = L"012356789AB_";
    const std::wstring rangeGone = L"012789AB____";
    const std::vector<Row> rows = {
        {EditKey::Home, None, caret, L"", EditSelection{0, 0}, false, false},
        {EditKey::Home, Shift, caret, L"", EditSelection{0, 0}, false, false},
        {EditKey::Home, Ctrl, caret, L"", EditSelection{0, 0}, false, false},
        {EditKey::Home, None, range, L"", EditSelection{0, 0}, false, false},
        {EditKey::End, None, caret, L"", EditSelection{12, 12}, false, false},
        {EditKey::End, Shift, caret, L"", EditSelection{12, 12}, false, false},
        {EditKey::End, Ctrl, range, L"", EditSelection{12, 12}, false, false},
        {EditKey::Left, None, caret, L"", EditSelection{4, 4}, false, false},
        {EditKey::Left, None, range, L"", EditSelection{2, 2}, false, false},
        {EditKey::Left, Shift, caret, L"", EditSelection{4, 5}, false, false},
        {EditKey::Left, Shift, range, L"", EditSelection{2, 7}, false, false},
        {EditKey::Left, Ctrl, caret, L"", EditSelection{0, 12}, false, false},
        {EditKey::Left, Both, caret, L"", EditSelection{0, 12}, false, false},
        {EditKey::Up, None, caret, L"", EditSelection{4, 4}, false, false},
        {EditKey::Up, Shift, range, L"", EditSelection{2, 7}, false, false},
        {EditKey::Right, None, caret, L"", EditSelection{6, 6}, false, false},
        {EditKey::Right, None, range, L"", EditSelection{8, 8}, false, false},
        {EditKey::Right, Shift, caret, L"", EditSelection{5, 6}, false, false},
        {EditKey::Right, Shift, range, L"", EditSelection{3, 8}, false, false},
        {EditKey::Right, Ctrl, caret, L"", std::nullopt, true, false},
        {EditKey::Down, None, caret, L"", EditSelection{6, 6}, false, false},
        {EditKey::Down, Ctrl, range, L"", std::nullopt, true, false},
        {EditKey::Insert, None, caret, L"", std::nullopt, false, false},
        {EditKey::Insert, Shift, caret, L"", std::nullopt, false, true},
        {EditKey::Insert, Ctrl, caret, L"", std::nullopt, false, true},
        {EditKey::Delete, None, caret, deletedAt5, EditSelection{5, 5}, false, false},
        {EditKey::Delete, Ctrl, caret, deletedAt5, EditSelection{5, 5}, false, false},
        {EditKey::Delete, Shift, caret, L"", std::nullopt, false, true},
        {EditKey::Delete, None, range, rangeGone, EditSelection{3, 3}, false, false},
        {EditKey::Back, None, caret, backAt5, EditSelection{4, 4}, false, false},
        {EditKey::Back, Shift, caret, backAt5, EditSelection{4, 4}, false, false},
        {EditKey::Back, Ctrl, caret, backAt5, EditSelection{4, 4}, false, false},
        {EditKey::Back, None, range, rangeGone, EditSelection{3, 3}, false, false},
        {EditKey::Other, None, caret, L"", std::nullopt, false, true},
        {EditKey::Other, Shift, range, L"", std::nullopt, false, true},
        {EditKey::Other, Ctrl, caret, L"", std::nullopt, false, true},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        CMaskedEditModel model = KeyField(kFull);
        const bool shift = row.modifier == Shift || row.modifier == Both;
        const bool ctrl = row.modifier == Ctrl || row.modifier == Both;
        EditOutcome outcome = model.KeyDown(row.key, shift, ctrl, row.before);
        EXPECT_EQ(model.value, row.value.empty() ? kFull : row.value) << "row " << i;
        EXPECT_EQ(outcome.selection, row.after) << "row " << i;
        EXPECT_EQ(outcome.beep, row.beep) << "row " << i;
        EXPECT_EQ(outcome.passToControl, row.toControl) << "row " << i;
    }
}

TEST(KeyField, EditsAtTheEdges) {
    struct Row {
        const char* name;
        std::wstring value;
        EditSelection before;
        EditKey key;
        bool ctrl;
        std::wstring after;
        std::optional<EditSelection> selection;
        bool beep;
    };
    const Row rows[] = {
        {"delete at 0 shifts left",
         kFull,
         {0, 0},
         EditKey::Delete,
         false,
         L"123456789AB_",
         EditSelection{0, 0},
         false},
        {"backspace at 12 clears the last",
         kFull,
         {12, 12},
         EditKey::Back,
         false,
         L"0123456789A_",
         EditSelection{11, 11},
         false},
        {"delete at 12 beeps", kFull, {12, 12}, EditKey::Delete, false, kFull, std::nullopt, true},
        {"backspace at 0 beeps", kFull, {0, 0}, EditKey::Back, false, kFull, std::nullopt, true},
        {"left at 0 beeps", kFull, {0, 0}, EditKey::Left, false, kFull, std::nullopt, true},
        {"right at 12 beeps", kFull, {12, 12}, EditKey::Right, false, kFull, std::nullopt, true},
        {"home from the middle", kFull, {7, 7}, EditKey::Home, false, kFull, EditSelection{0, 0}, false},
        {"end from the middle", kFull, {7, 7}, EditKey::End, false, kFull, EditSelection{12, 12}, false},
        {"ctrl+left at 0 selects the field",
         kFull,
         {0, 0},
         EditKey::Left,
         true,
         kFull,
         EditSelection{0, 12},
         false},
        {"ctrl+left on the whole field beeps",
         kFull,
         {0, 12},
         EditKey::Left,
         true,
         kFull,
         std::nullopt,
         true},
        {"ctrl+right near the end selects the field",
         kFull,
         {11, 11},
         EditKey::Right,
         true,
         kFull,
         EditSelection{0, 12},
         false},
        {"selection over the end is cut back",
         kFull,
         {2, 14},
         EditKey::Delete,
         false,
         kFull,
         EditSelection{0, 12},
         true},
    };
    for (const Row& row : rows) {
        CMaskedEditModel model = KeyField(row.value);
        EditOutcome outcome = model.KeyDown(row.key, false, row.ctrl, row.before);
        EXPECT_EQ(model.value, row.after) << row.name;
        EXPECT_EQ(outcome.selection, row.selection) << row.name;
        EXPECT_EQ(outcome.beep, row.beep) << row.name;
    }
}

TEST(KeyField, OtherCharactersUnderTheMask) {
    CMaskedEditModel model = KeyField();
    EXPECT_FALSE(model.OtherCharacter(L'\b').passToControl);  // Backspace is done on key-down
    EXPECT_FALSE(model.OtherCharacter(0x7F).passToControl);  // so is Ctrl+Backspace
    EXPECT_FALSE(model.OtherCharacter(0x7F).beep);
    EXPECT_FALSE(model.OtherCharacter(L'.').passToControl);
    EXPECT_TRUE(model.OtherCharacter(0x16).passToControl);  // Ctrl+V goes on to become a paste
}

TEST(KeyField, CutClosesUpAndLeavesPlaceholders) {
    CMaskedEditModel model = KeyField(L"1234________");
    // The control removed positions 2 and 3 itself.
    EditOutcome outcome = model.AfterRemoval(L"12________", 2);
    EXPECT_EQ(model.value, L"12__________");
    EXPECT_EQ(outcome.selection, (EditSelection{0, 0}));  // start of the field
    EXPECT_FALSE(outcome.beep);
    model.selectByGroup = false;
    EXPECT_EQ(model.AfterRemoval(L"12__________", 2).selection, (EditSelection{2, 2}));
}

TEST(KeyField, PasteReplacesOrRefuses) {
    struct Row {
        const char* name;
        std::wstring value;
        EditSelection selection;
        std::wstring pasted;
        std::wstring after;
        bool beep;
    };
    const Row rows[] = {
        {"twelve digits at 0", L"____________", {0, 0}, L"A1B2C3D4E5F6", L"A1B2C3D4E5F6", false},
        {"twelve digits over everything", kFull, {0, 12}, L"ffffffffffff", L"ffffffffffff", false},
        {"two digits in the middle", kFull, {4, 4}, L"ee", L"0123ee6789AB", false},
        {"too long", kFull, {0, 0}, L"0123456789ABC", kFull, true},
        {"past the end", kFull, {11, 11}, L"12", kFull, true},
        {"not hexadecimal", L"____________", {0, 0}, L"12x4", L"____________", true},
    };
    for (const Row& row : rows) {
        CMaskedEditModel model = KeyField(row.value);
        // The control's own paste: the selection replaced by the clipboard text.
        std::wstring controlText = row.value;
        controlText.replace(row.selection.start, row.selection.end - row.selection.start, row.pasted);
        const int caret = row.selection.start + static_cast<int>(row.pasted.size());
        EditOutcome outcome = model.AfterPaste(controlText, row.selection.start, caret);
        EXPECT_EQ(model.value, row.after) << row.name;
        EXPECT_EQ(outcome.beep, row.beep) << row.name;
        EXPECT_EQ(outcome.rewrite, (FieldRange{0, 12})) << row.name;
    }
}

TEST(KeyField, ResynchronisePutsTheValueBackWhenTheControlStrays) {
    CMaskedEditModel model = KeyField(kFull);
    EditOutcome bad = model.Resynchronise(L"0123456789ABz", {3, 3});
    EXPECT_TRUE(bad.beep);
    EXPECT_EQ(model.value, kFull);
    EXPECT_EQ(bad.selection, (EditSelection{3, 3}));
    EditOutcome good = model.Resynchronise(L"01", {3, 3});
    EXPECT_FALSE(good.beep);
    EXPECT_EQ(model.value, L"01__________");
}

TEST(TwoFields, TypingJumpsOverTheLiteral) {
    FieldUnderTest field{TwoFields(), {}};
    field.Type(L"12");
    EXPECT_EQ(field.selection, (EditSelection{3, 3}));
    field.Type(L"3");
    EXPECT_EQ(field.model.value, L"12-3_");
    field.Type(L"x");
    EXPECT_EQ(field.beeps, 1);
}

TEST(TwoFields, MovesBetweenFields) {
    struct Row {
        const char* name;
        EditKey key;
        bool ctrl;
        EditSelection before;
        std::optional<EditSelection> after;
        bool beep;
    };
    const Row rows[] = {
        {"left from the second field's start", EditKey::Left, false, {3, 3}, EditSelection{2, 2}, false},
        {"right from the first field's end", EditKey::Right, false, {2, 2}, EditSelection{3, 3}, false},
        {"backspace at the second field's start", EditKey::Back, false, {3, 3}, EditSelection{2, 2}, false},
        {"home in the second field", EditKey::Home, false, {4, 4}, EditSelection{3, 3}, false},
        {"end in the first field", EditKey::End, false, {1, 1}, EditSelection{2, 2}, false},
        {"ctrl+right selects the next field", EditKey::Right, true, {0, 0}, EditSelection{3, 5}, false},
        {"ctrl+left selects the field before", EditKey::Left, true, {4, 4}, EditSelection{3, 5}, false},
        {"right at the very end", EditKey::Right, false, {5, 5}, std::nullopt, true},
    };
    for (const Row& row : rows) {
        CMaskedEditModel model = TwoFields(L"12-34");
        EditOutcome outcome = model.KeyDown(row.key, false, row.ctrl, row.before);
        EXPECT_EQ(outcome.selection, row.after) << row.name;
        EXPECT_EQ(outcome.beep, row.beep) << row.name;
        EXPECT_EQ(model.value, L"12-34") << row.name;
    }
}

TEST(TwoFields, TextFormsAndMouse) {
    CMaskedEditModel model = TwoFields();
    EXPECT_TRUE(model.SetValueFromText(L"12-34", false));
    EXPECT_EQ(model.RequestedText(), L"1234");
    EXPECT_FALSE(model.SetValueFromText(L"12+34", false));  // a literal must match
    EXPECT_TRUE(model.SetValueFromText(L"567", true));
    EXPECT_EQ(model.value, L"56-7_");
    EXPECT_FALSE(model.SetValueFromText(L"56789", true));
    EXPECT_EQ(model.ClampMouseSelection({1, 4}), (EditSelection{1, 2}));
    EXPECT_EQ(model.ClampMouseSelection({0, 2}), std::nullopt);
}

TEST(TemplateWithoutEditablePositions, EveryKeyBeeps) {
    CMaskedEditModel model;
    model.mask = L"DD";
    model.inputTemplate = L"--";
    model.value = L"--";
    for (EditKey key : {EditKey::Home, EditKey::Left, EditKey::Delete, EditKey::Other})
        EXPECT_TRUE(model.KeyDown(key, false, false, {0, 0}).beep);
}

// Whatever is pressed, typed, pasted or cut, the key stays twelve positions of hexadecimal
// digits and placeholders.
TEST(KeyField, PropertyValueStaysTwelveHexPositions) {
    std::mt19937 random(20261208);
    const std::wstring alphabet = L"0123456789abcdefABCDEFgGxz _-+*\x0416\x00e9";
    const EditKey keys[] = {EditKey::Home, EditKey::End,    EditKey::Left,   EditKey::Up,   EditKey::Right,
                            EditKey::Down, EditKey::Insert, EditKey::Delete, EditKey::Back, EditKey::Other};
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto randomText = [&](int maxLength) {
        std::wstring text;
        for (int n = pick(maxLength + 1); n > 0; --n)
            text += alphabet[pick(static_cast<int>(alphabet.size()))];
        return text;
    };
    for (int run = 0; run < 200; ++run) {
        FieldUnderTest field{KeyField(), {}};
        for (int step = 0; step < 200; ++step) {
            const int length = static_cast<int>(field.model.value.size());
            int a = pick(length + 3) - 1;
            int b = pick(length + 3) - 1;
            if (a > b)
                std::swap(a, b);
            EditSelection selection{std::clamp(a, 0, length), std::clamp(b, 0, length)};
            switch (pick(6)) {
                case 0: field.selection = selection; break;
                case 1: field.Type(std::wstring(1, alphabet[pick(static_cast<int>(alphabet.size()))])); break;
                case 2: field.Key(keys[pick(10)], pick(2) == 1, pick(2) == 1); break;
                case 3: field.model.Assign(randomText(14)); break;
                case 4: {
                    std::wstring text = field.model.value;
                    std::wstring pasted = randomText(14);
                    text.replace(selection.start, selection.end - selection.start, pasted);
                    field.Apply(field.model.AfterPaste(text, selection.start,
                                                       selection.start + static_cast<int>(pasted.size())));
                    break;
                }
                case 5: {
                    std::wstring text = field.model.value;
                    text.erase(selection.start, selection.end - selection.start);
                    field.Apply(field.model.AfterRemoval(text, selection.start));
                    break;
                }
            }
            const std::wstring& value = field.model.value;
            ASSERT_EQ(value.size(), 12u) << "run " << run << " step " << step;
            for (wchar_t ch : value)
                ASSERT_NE(std::wstring(L"0123456789abcdefABCDEF_").find(ch), std::wstring::npos)
                    << "run " << run << " step " << step;
            ASSERT_GE(field.selection.start, 0);
            ASSERT_LE(field.selection.end, 12);
        }
    }
}

}  // namespace
