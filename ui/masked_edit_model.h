// The editing rules of a masked input field, over its value and the control's selection. No
// window here: the Win32 class turns messages into these calls and applies the outcome to the
// edit control, so every rule can be tested without one.
//
// Positions: the value, the mask and the input template have one character per position. An
// input template's '_' marks an editable position; anything else is a literal. A field is a
// maximal run of editable positions (an empty template makes the whole value one field); a mask
// group is a run of equal mask characters inside a field.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct EditSelection {
    int start = 0;
    int end = 0;
    bool operator==(const EditSelection&) const = default;
};

struct FieldRange {
    int start = 0;
    int end = 0;  // one past the last position
    bool operator==(const FieldRange&) const = default;
};

// What the control must do after the model has decided.
struct EditOutcome {
    bool beep = false;
    bool passToControl = false;         // the control handles the message itself; resynchronise afterwards
    std::optional<FieldRange> rewrite;  // these value positions must be written into the control
    std::optional<EditSelection> selection;  // select this and scroll the caret into view
};

enum class EditKey { Home, End, Left, Up, Right, Down, Insert, Delete, Back, Other };

enum class LetterCase { AsTyped, Upper, Lower };

// The character test for one mask character (D d C c A a + *); any other accepts nothing.
bool MaskCharacterAccepts(wchar_t ch, wchar_t maskChar);

class CMaskedEditModel {
public:
    // Configuration, set before the field is used.
    std::wstring value;
    std::wstring mask;
    std::wstring inputTemplate;
    wchar_t templateChar = L'_';
    std::wstring validChars;
    bool getMaskedCharsOnly = true;
    bool setMaskedCharsOnly = false;
    bool selectByGroup = true;
    std::function<bool(wchar_t ch, wchar_t maskChar)> maskAccepts = MaskCharacterAccepts;

    // Replaces the value from a full-form text (one character per position) or a masked-form
    // text (one per editable position); false, value unchanged, when the text does not fit.
    bool SetValueFromText(std::wstring_view text, bool maskedForm);

    // WM_SETTEXT: nullopt when refused; else the text the control must show.
    std::optional<std::wstring> Assign(std::wstring_view text);
    // WM_GETTEXT: the value, or only its editable positions.
    std::wstring RequestedText() const;

    // A printable character typed without Ctrl.
    EditOutcome Type(wchar_t ch, EditSelection selection, LetterCase letterCase = LetterCase::AsTyped);
    // Any other WM_CHAR: backspace, Ctrl+Backspace (0x7F) and 0x2E are dropped under a mask, the
    // rest go to the control.
    EditOutcome OtherCharacter(wchar_t ch) const;
    EditOutcome KeyDown(EditKey key, bool shift, bool ctrl, EditSelection selection);
    // The selection a mouse drag must be limited to, when it differs.
    std::optional<EditSelection> ClampMouseSelection(EditSelection selection) const;

    // After the control itself cut or cleared: its text closes up into the value.
    EditOutcome AfterRemoval(std::wstring_view controlText, int selectionStart);
    // After the control itself pasted at start; caret is where its selection ended.
    EditOutcome AfterPaste(std::wstring_view controlText, int start, int caret);
    // After any message the control handled: take its text, or put the value back.
    EditOutcome Resynchronise(std::wstring_view controlText, EditSelection before);

    bool IsEditable(int position) const;
    std::optional<FieldRange> FieldAt(int position) const;

private:
    int Length() const { return static_cast<int>(value.size()); }
    bool Fits(wchar_t ch, int position) const;
    bool InValidList(wchar_t ch) const;
    bool HasEditablePosition() const;
    int GroupLength(int position, int fieldEnd) const;
    std::optional<int> NextFieldStart(int position) const;
    std::optional<FieldRange> PreviousField(int position) const;
    std::optional<FieldRange> FirstField() const;
    std::optional<FieldRange> LastField() const;
    bool LaterCharactersStillFit(int from, int count) const;
    EditOutcome ReplaceGroup(int start, int groupLength, const std::wstring& groupText, int caret);
    std::optional<EditOutcome> OutsideFieldCheck(EditSelection selection) const;
    EditOutcome DeleteKey(EditSelection selection);
    EditOutcome BackspaceKey(EditSelection selection);
    EditOutcome Navigate(EditKey key, bool shift, bool ctrl, EditSelection selection) const;
    int FieldStartOrPosition(int position) const;
    std::wstring EditableCharacters() const;
    wchar_t TemplateAt(int position) const;
};
