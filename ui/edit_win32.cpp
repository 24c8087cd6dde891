#include "ui/edit_win32.h"

#include <algorithm>
#include <cwctype>

#include "ui/framework/win_app_win32.h"

CEdit::~CEdit() {
    Unsubclass();
}

LRESULT CLogEdit::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CONTEXTMENU)
        return SendMessageW(GetParent(window), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), lParam);
    return CEdit::HandleMessage(window, message, wParam, lParam);
}

namespace {

// Marks the field busy for one operation of its own.
class CBusyScope {
public:
    explicit CBusyScope(bool& busy) : busy_(busy), was_(busy) { busy = true; }
    ~CBusyScope() { busy_ = was_; }
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

private:
    bool& busy_;
    bool was_;
};

bool KeyHeld(int virtualKey) {
    return GetKeyState(virtualKey) < 0;
}

EditKey ToEditKey(WPARAM virtualKey) {
    switch (virtualKey) {
        case VK_HOME: return EditKey::Home;
        case VK_END: return EditKey::End;
        case VK_LEFT: return EditKey::Left;
        case VK_UP: return EditKey::Up;
        case VK_RIGHT: return EditKey::Right;
        case VK_DOWN: return EditKey::Down;
        case VK_INSERT: return EditKey::Insert;
        case VK_DELETE: return EditKey::Delete;
        case VK_BACK: return EditKey::Back;
        default: return EditKey::Other;
    }
}

}  // namespace

CMaskedEdit::CMaskedEdit() {
    model.maskAccepts = [this](wchar_t ch, wchar_t maskChar) { return MaskCharAccepts(ch, maskChar); };
}

CMaskedEdit::~CMaskedEdit() {
    CSubclassedWnd::Destroy();
    model.value.clear();
    model.mask.clear();
    model.inputTemplate.clear();
    model.validChars.clear();
}

bool CMaskedEdit::MaskCharAccepts(wchar_t ch, wchar_t maskChar) const {
    return MaskCharacterAccepts(ch, maskChar);
}

EditSelection CMaskedEdit::Selection() const {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {static_cast<int>(start), static_cast<int>(end)};
}

LRESULT CMaskedEdit::CallControl(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!previousProc)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return CallWindowProcW(previousProc, hwnd, message, wParam, lParam);
}

std::wstring CMaskedEdit::ControlText() {
    CBusyScope busy(busy_);
    std::wstring text;
    GetText(text);
    return text;
}

void CMaskedEdit::ShowValue() {
    CBusyScope busy(busy_);
    SetWindowTextW(hwnd, model.value.c_str());
}

void CMaskedEdit::Apply(const EditOutcome& outcome) {
    if (outcome.rewrite) {
        const FieldRange range = *outcome.rewrite;
        if (range.start == 0 && range.end >= static_cast<int>(model.value.size())) {
            ShowValue();
        } else {
            CBusyScope busy(busy_);
            const std::wstring part = model.value.substr(range.start, range.end - range.start);
            SendMessageW(hwnd, EM_SETSEL, range.start, range.end);
            SendMessageW(hwnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(part.c_str()));
        }
    }
    if (outcome.selection) {
        SendMessageW(hwnd, EM_SETSEL, outcome.selection->start, outcome.selection->end);
        SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
    }
    if (outcome.beep)
        MessageBeep(0xFFFFFFFF);
}

LRESULT CMaskedEdit::PassAndResynchronise() {
    const EditSelection before = Selection();
    LRESULT result = DefaultHandling();
    if (!busy_) {
        std::wstring text = ControlText();
        Apply(model.Resynchronise(text, before));
    }
    return result;
}

LRESULT CMaskedEdit::OnSetText(const wchar_t* text) {
    if (busy_ || settingText_)
        return DefaultHandling();
    CBusyScope setting(settingText_);
    const std::wstring given = text ? text : L"";
    auto shown = model.Assign(given);
    if (!shown)
        return FALSE;
    if (*shown == given)
        return DefaultHandling();
    return CallControl(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown->c_str()));
}

LRESULT CMaskedEdit::OnGetText(WPARAM capacity, wchar_t* buffer) {
    if (busy_)
        return DefaultHandling();
    if (capacity == 0 || !buffer)
        return 0;
    const std::wstring text = model.RequestedText();
    const size_t count = std::min<size_t>(text.size(), capacity - 1);
    std::copy_n(text.begin(), count, buffer);
    buffer[count] = L'\0';
    return static_cast<LRESULT>(count);
}

LRESULT CMaskedEdit::OnKeyDown(WPARAM virtualKey) {
    EditOutcome outcome =
        model.KeyDown(ToEditKey(virtualKey), KeyHeld(VK_SHIFT), KeyHeld(VK_CONTROL), Selection());
    if (outcome.passToControl)
        return PassAndResynchronise();
    Apply(outcome);
    return 0;
}

LRESULT CMaskedEdit::OnChar(wchar_t ch) {
    EditOutcome outcome;
    if (!std::iswcntrl(static_cast<wint_t>(ch)) && !KeyHeld(VK_CONTROL)) {
        const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
        const LetterCase letterCase = (style & ES_UPPERCASE)   ? LetterCase::Upper
                                      : (style & ES_LOWERCASE) ? LetterCase::Lower
                                                               : LetterCase::AsTyped;
        outcome = model.Type(ch, Selection(), letterCase);
    } else {
        outcome = model.OtherCharacter(ch);
    }
    if (outcome.passToControl)
        return PassAndResynchronise();
    Apply(outcome);
    return 0;
}

LRESULT CMaskedEdit::OnRemoval() {
    CBusyScope busy(busy_);
    const EditSelection before = Selection();
    LRESULT result = DefaultHandling();
    Apply(model.AfterRemoval(ControlText(), before.start));
    return result;
}

LRESULT CMaskedEdit::OnPaste() {
    CBusyScope busy(busy_);
    const int start = Selection().start;
    DefaultHandling();
    const EditSelection after = Selection();
    Apply(model.AfterPaste(ControlText(), start, std::max(after.start, after.end)));
    return 0;
}

LRESULT CMaskedEdit::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            LRESULT result = DefaultHandling();
            if (result == -1)
                return -1;
            ShowValue();
            return result;
        }
        case WM_SETTEXT: return OnSetText(reinterpret_cast<const wchar_t*>(lParam));
        case WM_GETTEXT: return OnGetText(wParam, reinterpret_cast<wchar_t*>(lParam));
        case WM_GETTEXTLENGTH:
            if (busy_)
                return DefaultHandling();
            return static_cast<LRESULT>(model.RequestedText().size());
        case WM_KEYDOWN:
            if (busy_)
                return DefaultHandling();
            return OnKeyDown(wParam);
        case WM_CHAR:
            if (busy_)
                return DefaultHandling();
            return OnChar(static_cast<wchar_t>(wParam));
        case WM_LBUTTONUP:
            if (auto clamped = model.ClampMouseSelection(Selection())) {
                EditOutcome outcome;
                outcome.selection = clamped;
                Apply(outcome);
            }
            return DefaultHandling();
        case WM_CUT:
        case WM_CLEAR: return OnRemoval();
        case WM_PASTE: return OnPaste();
        case WM_UNDO:
        case EM_UNDO:
            if (busy_)
                return DefaultHandling();
            return PassAndResynchronise();
        default: return CEdit::HandleMessage(window, message, wParam, lParam);
    }
}
