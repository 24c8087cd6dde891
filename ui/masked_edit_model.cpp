#include "ui/masked_edit_model.h"

#include <algorithm>
#include <cwctype>

bool MaskCharacterAccepts(wchar_t ch, wchar_t maskChar) {
    const auto c = static_cast<wint_t>(ch);
    const bool space = std::iswspace(c) != 0;
    switch (maskChar) {
        case L'D': return std::iswdigit(c) != 0;
        case L'd': return std::iswdigit(c) != 0 || space;
        case L'C': return std::iswalpha(c) != 0;
        case L'c': return std::iswalpha(c) != 0 || space;
        case L'A': return std::iswalnum(c) != 0;
        case L'a': return std::iswalnum(c) != 0 || space;
        case L'+': return ch == L'+' || ch == L'-' || space;
        case L'*': return std::iswprint(c) != 0;
        default: return false;
    }
}

bool CMaskedEditModel::IsEditable(int position) const {
    if (position < 0)
        return false;
    if (inputTemplate.empty())
        return position < Length();
    return position < static_cast<int>(inputTemplate.size()) && inputTemplate[position] == L'_';
}

bool CMaskedEditModel::HasEditablePosition() const {
    return inputTemplate.empty() || inputTemplate.find(L'_') != std::wstring::npos;
}

std::optional<FieldRange> CMaskedEditModel::FieldAt(int position) const {
    if (inputTemplate.empty())
        return FieldRange{0, Length()};
    const int size = static_cast<int>(inputTemplate.size());
    int start = std::clamp(position, 0, size);
    if (IsEditable(start - 1)) {
        while (IsEditable(start - 1)) --start;
    } else {
        while (start < size && !IsEditable(start)) ++start;
        if (start >= size)
            return std::nullopt;
    }
    int end = start;
    while (end < size && IsEditable(end)) ++end;
    return FieldRange{start, end};
}

std::optional<int> CMaskedEditModel::NextFieldStart(int position) const {
    const int size = inputTemplate.empty() ? Length() : static_cast<int>(inputTemplate.size());
    if (inputTemplate.empty())
        return std::nullopt;
    int at = std::max(position, 0);
    while (at < size && IsEditable(at)) ++at;
    while (at < size && !IsEditable(at)) ++at;
    return at < size ? std::optional<int>(at) : std::nullopt;
}

std::optional<FieldRange> CMaskedEditModel::PreviousField(int position) const {
    if (inputTemplate.empty())
        return std::nullopt;
    int at = std::min(position, static_cast<int>(inputTemplate.size()));
    while (at > 0 && IsEditable(at - 1)) --at;
    while (at > 0 && !IsEditable(at - 1)) --at;
    if (at == 0)
        return std::nullopt;
    return FieldAt(at);
}

std::optional<FieldRange> CMaskedEditModel::FirstField() const {
    return FieldAt(0);
}

std::optional<FieldRange> CMaskedEditModel::LastField() const {
    if (inputTemplate.empty())
        return FieldAt(0);
    for (int at = static_cast<int>(inputTemplate.size()); at > 0; --at)
        if (IsEditable(at - 1))
            return FieldAt(at);
    return std::nullopt;
}

bool CMaskedEditModel::InValidList(wchar_t ch) const {
    return validChars.empty() || validChars.find(ch) != std::wstring::npos;
}

bool CMaskedEditModel::Fits(wchar_t ch, int position) const {
    if (mask.empty())
        return InValidList(ch);
    return IsEditable(position) && position < static_cast<int>(mask.size()) && position < Length() &&
           maskAccepts(ch, mask[position]) && InValidList(ch);
}

int CMaskedEditModel::GroupLength(int position, int fieldEnd) const {
    if (mask.empty() || position >= static_cast<int>(mask.size()))
        return std::max(fieldEnd - position, 0);
    const int end = std::min(fieldEnd, static_cast<int>(mask.size()));
    int length = 0;
    while (position + length < end && mask[position + length] == mask[position]) ++length;
    return length;
}

bool CMaskedEditModel::SetValueFromText(std::wstring_view text, bool maskedForm) {
    const int editableCount = static_cast<int>(
        inputTemplate.empty() ? mask.size() : std::count(inputTemplate.begin(), inputTemplate.end(), L'_'));
    if (!mask.empty() &&
        static_cast<int>(text.size()) > (maskedForm ? editableCount : static_cast<int>(mask.size())))
        return false;
    if (!validChars.empty()) {
        for (size_t i = 0; i < text.size(); ++i) {
            // A masked-form text holds editable positions only.
            const bool editable = maskedForm || inputTemplate.empty() || IsEditable(static_cast<int>(i));
            if (editable && text[i] != templateChar && !InValidList(text[i]))
                return false;
        }
    }
    if (mask.empty()) {
        value.assign(text);
        return true;
    }
    const int size = static_cast<int>(mask.size());
    std::wstring built(size, templateChar);
    for (int i = 0; i < size && !inputTemplate.empty(); ++i)
        if (!IsEditable(i))
            built[i] = TemplateAt(i);
    int position = 0;
    for (wchar_t ch : text) {
        for (;;) {
            if (position >= size)
                return false;
            if (IsEditable(position) || inputTemplate.empty()) {
                if (ch != templateChar && !maskAccepts(ch, mask[position]))
                    return false;
                built[position++] = ch;
                break;
            }
            if (!maskedForm) {
                if (ch != TemplateAt(position))
                    return false;
                ++position;
                break;
            }
            ++position;  // a masked-form text skips the literals
        }
    }
    value = std::move(built);
    return true;
}

std::optional<std::wstring> CMaskedEditModel::Assign(std::wstring_view text) {
    if (!SetValueFromText(text, setMaskedCharsOnly))
        return std::nullopt;
    return value;
}

std::wstring CMaskedEditModel::RequestedText() const {
    return getMaskedCharsOnly ? EditableCharacters() : value;
}

std::wstring CMaskedEditModel::EditableCharacters() const {
    if (inputTemplate.empty())
        return value;
    std::wstring text;
    for (int i = 0; i < Length(); ++i)
        if (IsEditable(i))
            text += value[i];
    return text;
}

// A configuration whose template is shorter than its mask reads as literal blanks past its end.
wchar_t CMaskedEditModel::TemplateAt(int position) const {
    return position >= 0 && position < static_cast<int>(inputTemplate.size()) ? inputTemplate[position]
                                                                              : L' ';
}

EditOutcome CMaskedEditModel::ReplaceGroup(int start, int groupLength, const std::wstring& groupText,
                                           int caret) {
    value.replace(start, groupLength, groupText);
    EditOutcome outcome;
    outcome.rewrite = FieldRange{start, start + groupLength};
    outcome.selection = EditSelection{caret, caret};
    return outcome;
}

std::optional<EditOutcome> CMaskedEditModel::OutsideFieldCheck(EditSelection selection) const {
    auto field = FieldAt(selection.start);
    const bool inside = field && field->start <= selection.start && selection.start <= field->end &&
                        field->start <= selection.end && selection.end <= field->end;
    if (inside)
        return std::nullopt;
    EditOutcome outcome;
    outcome.beep = true;
    if (field)
        outcome.selection = EditSelection{field->start, field->end};
    return outcome;
}

namespace {

EditOutcome Outcome(bool beep, bool toControl, std::optional<EditSelection> selection) {
    EditOutcome outcome;
    outcome.beep = beep;
    outcome.passToControl = toControl;
    outcome.selection = selection;
    return outcome;
}

EditOutcome Beep() {
    return Outcome(true, false, std::nullopt);
}
EditOutcome BeepAndSelect(int start, int end) {
    return Outcome(true, false, EditSelection{start, end});
}
EditOutcome ToControl() {
    return Outcome(false, true, std::nullopt);
}
EditOutcome Select(int start, int end) {
    return Outcome(false, false, EditSelection{start, end});
}

// Ctrl with an arrow: the whole field, or a beep when there is none or nothing would change.
EditOutcome SelectWholeField(std::optional<FieldRange> field, EditSelection current) {
    if (!field || (field->start == current.start && field->end == current.end))
        return Beep();
    return Select(field->start, field->end);
}

}  // namespace

EditOutcome CMaskedEditModel::Type(wchar_t ch, EditSelection selection, LetterCase letterCase) {
    if (letterCase == LetterCase::Upper)
        ch = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(ch)));
    if (letterCase == LetterCase::Lower)
        ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    if (auto outside = OutsideFieldCheck(selection))
        return *outside;
    int start = selection.start;
    const int end = selection.end;
    if (start == end && !mask.empty()) {
        auto field = FieldAt(start);
        if (start == field->end) {
            if (start >= Length() - 2)
                return Beep();
            auto next = FieldAt(start + 1);
            if (!next || next->start <= start)
                return Beep();
            start = next->start;
        }
        if (!Fits(ch, start))
            return Beep();
        value[start] = ch;
        EditOutcome outcome;
        outcome.rewrite = FieldRange{start, start + 1};
        int caret = start + 1;
        if (FieldAt(caret)->end == caret) {
            if (auto next = NextFieldStart(caret))
                caret = *next;
        }
        outcome.selection = EditSelection{caret, caret};
        return outcome;
    }
    if (start < end && !inputTemplate.empty()) {
        if (!Fits(ch, start))
            return Beep();
        const int group = GroupLength(start, FieldAt(start)->end);
        if (end - start > group)
            return BeepAndSelect(start, start + group);
        std::wstring groupText(1, ch);
        groupText += value.substr(end, start + group - end);
        groupText.append(end - start - 1, templateChar);
        return ReplaceGroup(start, group, groupText, start + 1);
    }
    if (Fits(ch, start))
        return ToControl();
    return Beep();
}

EditOutcome CMaskedEditModel::OtherCharacter(wchar_t ch) const {
    // Backspace and Ctrl+Backspace (0x7F) were done on key-down: passed on, the control would
    // take the second as a character and the field would refuse it with a beep.
    if (!mask.empty() && (ch == L'\b' || ch == 0x7F || ch == 0x2E))
        return EditOutcome{};
    return ToControl();
}

bool CMaskedEditModel::LaterCharactersStillFit(int from, int count) const {
    for (int i = 0; i < count; ++i) {
        const int position = from + i;
        if (position >= Length() || position >= static_cast<int>(mask.size()))
            break;
        const wchar_t ch = value[position];
        if (ch != templateChar && !maskAccepts(ch, mask[position]))
            return false;
    }
    return true;
}

EditOutcome CMaskedEditModel::DeleteKey(EditSelection selection) {
    if (auto outside = OutsideFieldCheck(selection))
        return *outside;
    const int start = selection.start;
    const int end = selection.end;
    const FieldRange field = *FieldAt(start);
    if (start == end && !mask.empty()) {
        if (start == field.end)
            return Beep();
        const int group = GroupLength(start, field.end);
        if (!LaterCharactersStillFit(start, field.end - (start + group)))
            return Beep();
        std::wstring groupText = value.substr(start + 1, group - 1);
        groupText += templateChar;
        return ReplaceGroup(start, group, groupText, start);
    }
    if (start < end && !inputTemplate.empty()) {
        const int group = GroupLength(start, field.end);
        if (end - start > group)
            return BeepAndSelect(start, start + group);
        std::wstring groupText = value.substr(end, start + group - end);
        groupText.append(end - start, templateChar);
        return ReplaceGroup(start, group, groupText, start);
    }
    return ToControl();
}

EditOutcome CMaskedEditModel::BackspaceKey(EditSelection selection) {
    if (auto outside = OutsideFieldCheck(selection))
        return *outside;
    const int start = selection.start;
    const int end = selection.end;
    const FieldRange field = *FieldAt(start);
    if (start == end && !mask.empty()) {
        if (start > field.start) {
            const int from = start - 1;
            const int group = GroupLength(from, field.end);
            if (!LaterCharactersStillFit(from, field.end - (from + group)))
                return Beep();
            std::wstring groupText = value.substr(start, group - 1);
            groupText += templateChar;
            return ReplaceGroup(from, group, groupText, from);
        }
        auto first = FirstField();
        if (!first || start <= first->start)
            return Beep();
        auto previous = PreviousField(start);
        if (!previous)
            return Beep();
        return Select(previous->end, previous->end);
    }
    if (start < end && !inputTemplate.empty())
        return DeleteKey(selection);
    return ToControl();
}

EditOutcome CMaskedEditModel::Navigate(EditKey key, bool shift, bool ctrl, EditSelection selection) const {
    const int start = selection.start;
    const int end = selection.end;
    const int length = Length();
    switch (key) {
        case EditKey::Home: {
            auto field = FieldAt(start);
            if (!field || field->start > start)
                field = PreviousField(start);
            if (!field)
                field = FirstField();
            if (!field)
                return Beep();
            return Select(field->start, field->start);
        }
        case EditKey::End: {
            auto field = FieldAt(end);
            if (!field)
                field = LastField();
            if (!field)
                return Beep();
            return Select(field->end, field->end);
        }
        case EditKey::Left:
        case EditKey::Up: {
            auto field = FieldAt(start);
            if (ctrl) {
                return SelectWholeField(FieldAt(std::max(start - 1, 0)), selection);
            }
            if (shift) {
                const int low = (selectByGroup && field) ? std::min(field->start, start) : 0;
                return Select(std::max(start - 1, low), end);
            }
            if (field && (start < end || start > field->start)) {
                const int caret = std::clamp(start - 1, field->start, field->end);
                return Select(caret, caret);
            }
            auto previous = PreviousField(start);
            if (!previous)
                return Beep();
            return Select(previous->end, previous->end);
        }
        case EditKey::Right:
        case EditKey::Down: {
            auto field = FieldAt(end);
            if (ctrl) {
                std::optional<FieldRange> target;
                if (end >= length - 2) {
                    target = field;
                } else if (auto next = NextFieldStart(end)) {
                    target = FieldAt(*next);
                }
                return SelectWholeField(target, selection);
            }
            if (shift) {
                const int high = (selectByGroup && field) ? std::max(field->end, end) : length;
                return Select(start, std::min(end + 1, high));
            }
            if (field && (start < end || end < field->end) && field->start <= end) {
                const int caret = std::clamp(end + 1, field->start, field->end);
                return Select(caret, caret);
            }
            auto next = NextFieldStart(end);
            if (!next)
                return Beep();
            return Select(*next, *next);
        }
        default: return ToControl();
    }
}

EditOutcome CMaskedEditModel::KeyDown(EditKey key, bool shift, bool ctrl, EditSelection selection) {
    if (!inputTemplate.empty() && !HasEditablePosition())
        return Beep();
    switch (key) {
        case EditKey::Insert:
            if (!shift && !ctrl && !mask.empty())
                return EditOutcome{};
            return ToControl();
        case EditKey::Delete:
            if (shift)
                return ToControl();
            return DeleteKey(selection);
        case EditKey::Back: return BackspaceKey(selection);
        case EditKey::Other: return ToControl();
        default: return Navigate(key, shift, ctrl, selection);
    }
}

std::optional<EditSelection> CMaskedEditModel::ClampMouseSelection(EditSelection selection) const {
    if (!selectByGroup)
        return std::nullopt;
    auto field = FieldAt(selection.start);
    if (!field)
        field = LastField();
    if (!field)
        return std::nullopt;
    EditSelection clamped{std::min(std::max(selection.start, field->start), field->end),
                          std::max(std::min(selection.end, field->end), field->start)};
    if (clamped == selection)
        return std::nullopt;
    return clamped;
}

int CMaskedEditModel::FieldStartOrPosition(int position) const {
    if (selectByGroup) {
        if (auto field = FieldAt(position))
            return field->start;
    }
    return position;
}

EditOutcome CMaskedEditModel::AfterRemoval(std::wstring_view controlText, int selectionStart) {
    EditOutcome outcome;
    outcome.beep = !SetValueFromText(controlText, false);
    outcome.rewrite = FieldRange{0, Length()};
    const int caret = std::clamp(FieldStartOrPosition(selectionStart), 0, Length());
    outcome.selection = EditSelection{caret, caret};
    return outcome;
}

EditOutcome CMaskedEditModel::AfterPaste(std::wstring_view controlText, int start, int caret) {
    const int textLength = static_cast<int>(controlText.size());
    const int from = std::clamp(start, 0, textLength);
    const int to = std::clamp(caret, from, textLength);
    const std::wstring_view pasted = controlText.substr(from, to - from);

    std::wstring base = value;
    int at = std::clamp(start, 0, Length());
    if (setMaskedCharsOnly && !inputTemplate.empty()) {
        int literalsBefore = 0;
        for (int i = 0; i < at; ++i) literalsBefore += IsEditable(i) ? 0 : 1;
        base = EditableCharacters();
        at -= literalsBefore;
    }
    std::wstring built = base.substr(0, at);
    built += pasted;
    const size_t restFrom = mask.empty() ? static_cast<size_t>(at) : at + pasted.size();
    if (restFrom < base.size())
        built += base.substr(restFrom);

    EditOutcome outcome;
    outcome.beep = !SetValueFromText(built, setMaskedCharsOnly && !inputTemplate.empty());
    outcome.rewrite = FieldRange{0, Length()};
    const int newCaret = std::clamp(FieldStartOrPosition(start), 0, Length());
    outcome.selection = EditSelection{newCaret, newCaret};
    return outcome;
}

EditOutcome CMaskedEditModel::Resynchronise(std::wstring_view controlText, EditSelection before) {
    EditOutcome outcome;
    if (SetValueFromText(controlText, false))
        return outcome;
    outcome.beep = true;
    outcome.rewrite = FieldRange{0, Length()};
    outcome.selection = before;
    return outcome;
}
