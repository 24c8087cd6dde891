// Edit controls bound to objects: CEdit, the plain one, CLogEdit (the page's log), and CMaskedEdit, the
// fixed-format field (the MIFARE key) whose rules live in CMaskedEditModel.
#pragma once

#include <windows.h>

#include "ui/framework/window_win32.h"
#include "ui/masked_edit_model.h"

class CEdit : public CSubclassedWnd {
public:
    ~CEdit() override;
};

// The page's log: a right click or the menu key asks the page for the menu, which offers the
// test report besides copying (the edit's own menu knows nothing of the report).
class CLogEdit : public CEdit {
public:
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CMaskedEdit : public CEdit {
public:
    CMaskedEdit();
    ~CMaskedEdit() override;

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual bool MaskCharAccepts(wchar_t ch, wchar_t maskChar) const;

    // The configuration and the value; the owner configures it before Attach.
    CMaskedEditModel model;

private:
    EditSelection Selection() const;
    LRESULT CallControl(UINT message, WPARAM wParam, LPARAM lParam);
    std::wstring ControlText();
    void ShowValue();
    void Apply(const EditOutcome& outcome);
    LRESULT PassAndResynchronise();
    LRESULT OnSetText(const wchar_t* text);
    LRESULT OnGetText(WPARAM capacity, wchar_t* buffer);
    LRESULT OnKeyDown(WPARAM virtualKey);
    LRESULT OnChar(wchar_t ch);
    LRESULT OnRemoval();
    LRESULT OnPaste();

    bool busy_ = false;         // the class itself is editing the control: its messages pass straight
    bool settingText_ = false;  // a text assignment is under way
};
