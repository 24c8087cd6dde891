// The page at a screen scale: its fonts, the controls' places from the template's dialog units,
// and the sizes it asks of the main window. Set up once and again on every change of DPI.
#include <algorithm>

#include "ui/main_page_win32.h"
#include "ui/page_geometry.h"
#include "ui/resource_ids.h"

namespace {

constexpr wchar_t kKeyFontFace[] = L"System";
constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

struct AnchoredControl {
    int id;
    int anchors;
};
// Port box, card frame and line and test frame stretch with the width; the buttons follow the
// right edge; the log stretches both ways. Every other control keeps its place.
constexpr AnchoredControl kAnchoredControls[] = {
    {IDC_PORT, kAnchorLeft | kAnchorRight},
    {IDC_CONNECT, kAnchorRight},
    {IDC_DISCONNECT, kAnchorRight},
    {IDC_CARD_GROUP, kAnchorLeft | kAnchorRight},
    {IDC_CARD, kAnchorLeft | kAnchorRight},
    {IDC_TEST_GROUP, kAnchorLeft | kAnchorRight},
    {IDC_START, kAnchorRight},
    {IDC_STOP, kAnchorRight},
    {IDC_LOG, kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom},
    // The test's figures stay in the strip under the log.
    {IDC_ELAPSED_LABEL, kAnchorLeft | kAnchorBottom},
    {IDC_ELAPSED, kAnchorLeft | kAnchorBottom},
    {IDC_RATE_LABEL, kAnchorLeft | kAnchorBottom},
    {IDC_RATE, kAnchorLeft | kAnchorBottom},
    // The chart keeps its height under them and takes the width.
    {IDC_CHART, kAnchorLeft | kAnchorRight | kAnchorBottom},
    // The verdict under them takes the whole width.
    {IDC_VERDICT, kAnchorLeft | kAnchorRight | kAnchorBottom},
};

int AnchorsOf(int id) {
    for (const AnchoredControl& anchored : kAnchoredControls) {
        if (anchored.id == id)
            return anchored.anchors;
    }
    return kAnchorLeft | kAnchorTop;
}

// The base units of a font, measured as the dialog manager measures its own.
BaseUnits MeasureBaseUnits(HWND window, HFONT font) {
    HDC dc = GetDC(window);
    if (!dc)
        return {};
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    SIZE alphabet{};
    const bool measured = GetTextMetricsW(dc, &metrics) &&
                          GetTextExtentPoint32W(dc, kAlphabet, static_cast<int>(std::size(kAlphabet) - 1), &alphabet);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return measured ? BaseUnitsOf(alphabet.cx, metrics.tmHeight) : BaseUnits{};
}

}  // namespace

void CMainPage::ApplyDpi(UINT dpi) {
    if (!hwnd)
        return;
    dpi_ = dpi;
    const LRESULT firstLine = log.hwnd ? SendMessageW(log.hwnd, EM_GETFIRSTVISIBLELINE, 0, 0) : 0;
    CreateFonts();
    RecordLayout();
    RECT client{};
    GetClientRect(hwnd, &client);
    Layout(client.right, client.bottom);
    MeasureSizes();
    InvalidateRect(hwnd, nullptr, TRUE);  // every control moved and took another font
    if (log.hwnd) {
        const LRESULT nowFirst = SendMessageW(log.hwnd, EM_GETFIRSTVISIBLELINE, 0, 0);
        SendMessageW(log.hwnd, EM_LINESCROLL, 0, firstLine - nowFirst);
    }
}

void CMainPage::CreateFonts() {
    if (!template_ || template_->pointSize == 0)
        return;
    LOGFONTW description{};
    description.lfHeight = DialogFontHeight(template_->pointSize, dpi_);
    description.lfWeight = template_->weight;
    description.lfItalic = template_->italic ? TRUE : FALSE;
    description.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(description.lfFaceName, template_->faceName.c_str(), _TRUNCATE);
    CFontHandle font(CreateFontIndirectW(&description));
    if (!font.Get())
        return;
    // A fixed-pitch face keeps the key's twelve positions and their placeholders aligned.
    wcsncpy_s(description.lfFaceName, kKeyFontFace, _TRUNCATE);
    description.lfPitchAndFamily = FIXED_PITCH;
    CFontHandle key(CreateFontIndirectW(&description));
    for (const TemplateControl& control : templateControls_) {
        if (!control.window)
            continue;
        HFONT chosen = control.window == keyEdit.hwnd && key.Get() ? key.Get() : font.Get();
        SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(chosen), TRUE);
    }
    // The old fonts go only now that no control uses them.
    pageFont = std::move(font);
    keyFont = std::move(key);
    baseUnits_ = MeasureBaseUnits(hwnd, pageFont.Get());
    chart.SetScale(dpi_, pageFont.Get());
}

void CMainPage::RecordLayout() {
    layoutParent = hwnd;
    layout.clear();
    if (!template_ || baseUnits_.x <= 0 || baseUnits_.y <= 0)
        return;
    initialClient = DialogToPixels({0, 0, template_->rect.cx, template_->rect.cy}, baseUnits_);
    for (const TemplateControl& control : templateControls_) {
        if (!control.window)
            continue;
        const int id = static_cast<WORD>(control.item.id);
        layout.push_back({id, AnchorsOf(id), DialogToPixels(control.item.rect, baseUnits_), control.window});
    }
}

void CMainPage::MeasureSizes() {
    RECT page{};
    GetClientRect(hwnd, &page);
    LayoutSize templateSize{page.right, page.bottom};
    if (!layout.empty())
        templateSize = {initialClient.right - initialClient.left, initialClient.bottom - initialClient.top};
    const auto logEntry = std::find_if(layout.begin(), layout.end(),
                                       [](const LayoutEntry& entry) { return entry.controlId == IDC_LOG; });
    if (logEntry == layout.end() || !log.hwnd) {
        sizes_ = {templateSize, templateSize};
        return;
    }
    // What the log's frame and text margins take beside its lines, as it stands now.
    RECT outer{}, inner{}, text{};
    GetWindowRect(log.hwnd, &outer);
    GetClientRect(log.hwnd, &inner);
    SendMessageW(log.hwnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
    const int32_t frame = (outer.bottom - outer.top) - inner.bottom + 2 * (text.top - inner.top) + 2;
    const int32_t needed = kLogMinimumLines * baseUnits_.y + frame;
    sizes_ = PageClientSizes(templateSize, logEntry->initial.bottom - logEntry->initial.top, needed);
}
