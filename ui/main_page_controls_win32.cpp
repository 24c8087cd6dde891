// The page's port list and the controls that mirror the settings: loading them at set-up and
// storing them before a test starts and at close.
#include <cwchar>
#include <string>

#include "foundation/catalogue.h"
#include "foundation/text_ids.h"
#include "search/search_thread_win32.h"
#include "ui/main_page_rules.h"
#include "ui/main_page_win32.h"
#include "ui/page_texts.h"
#include "ui/resource_ids.h"

int CMainPage::SelectedPortIndex() const {
    const LRESULT selected = SendMessageW(portBox.hwnd, CB_GETCURSEL, 0, 0);
    if (selected < 0 || static_cast<size_t>(selected) >= ports.size())
        return -1;
    return static_cast<int>(selected);
}

std::wstring CMainPage::ChosenPortName() const {
    const int selected = SelectedPortIndex();
    if (selected >= 0)
        return ports[static_cast<size_t>(selected)].name;
    std::wstring text;
    portBox.GetText(text);
    return text;
}

// The box has no sort style: its items stay in the list's order (sorted by name by the search),
// so an item's index is always its entry's index.
void CMainPage::FillPortList() {
    // A refill must not take away what the user chose or typed and has not used yet; at set-up
    // the box is empty and the stored port is chosen.
    const bool settingUp = ports.empty() && GetWindowTextLengthW(portBox.hwnd) == 0;
    const std::wstring chosen = settingUp ? reader.port : ChosenPortName();
    SendMessageW(portBox.hwnd, CB_RESETCONTENT, 0, 0);
    search_.CopyPorts(ports);
    for (const PortEntry& port : ports) {
        std::wstring item = PortItemText(port);
        if (host_.PortTakenElsewhere(*this, port.name))
            AppendFormatResource(item, kTextPortInUseMark);
        SendMessageW(portBox.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SelectPort(chosen);
    // The chosen entry may now be a reader of another model, or gone.
    ApplyEnableRules();
}

void CMainPage::SelectPort(const std::wstring& name) {
    for (size_t index = 0; index < ports.size(); ++index) {
        if (!name.empty() && ports[index].name == name) {
            SendMessageW(portBox.hwnd, CB_SETCURSEL, index, 0);
            return;
        }
    }
    SendMessageW(portBox.hwnd, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetWindowTextW(portBox.hwnd, name.c_str());
}

std::wstring CMainPage::PortShown() const {
    return panel.Worker().IsRunning() ? panel.port : ChosenPortName();
}

void CMainPage::LoadControls() {
    SelectPort(reader.port);
    SendMessageW(blockBox.hwnd, CB_SETCURSEL, static_cast<WPARAM>(ShownBlock(reader.block)), 0);
    wchar_t key[16] = {};
    std::swprintf(key, std::size(key), L"%.12llx", static_cast<unsigned long long>(reader.authKey));
    SetWindowTextW(keyEdit.hwnd, key);
    panel.keyValid = true;
    CheckRadioButton(hwnd, IDC_KEY_A, IDC_KEY_B, reader.keyB ? IDC_KEY_B : IDC_KEY_A);
    CheckDlgButton(hwnd, IDC_USE_READER_KEYS, reader.useReaderKeys ? BST_CHECKED : BST_UNCHECKED);
}

void CMainPage::StoreControls() {
    reader.port = ChosenPortName();
    const LRESULT block = SendMessageW(blockBox.hwnd, CB_GETCURSEL, 0, 0);
    if (block >= 0)
        reader.block = static_cast<int32_t>(block);
    std::wstring keyText;
    keyEdit.GetText(keyText);
    const auto key = ParseKeyText(keyText);
    panel.keyValid = key.has_value();
    if (key)
        reader.authKey = *key;
    reader.keyB = IsDlgButtonChecked(hwnd, IDC_KEY_B) == BST_CHECKED;
    reader.useReaderKeys = IsDlgButtonChecked(hwnd, IDC_USE_READER_KEYS) == BST_CHECKED;
    ReadPlan(false);  // a value that cannot be the kind's is not stored, and nobody is asked at close
    // The other pages' values are gathered by the main window when it saves.
    if (first_)
        settings_.SetFirstReader(reader);
}
