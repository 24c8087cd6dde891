// The screen scale of a window. The per-monitor functions exist only from Windows 10 (1607) on,
// so they are looked up at run time; older systems give the system DPI.
#pragma once

#include <windows.h>

#include <utility>

UINT WindowDpi(HWND window);
// Stops the system's own rescaling of a dialog on a DPI change (Windows 10 1703 on), for a
// dialog that lays itself out again.
void KeepDialogFromRescaling(HWND dialog);
// The window rectangle around a client rectangle at a DPI (caption and frame scaled with it).
RECT WindowRectForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, UINT dpi);
// A pixel size given at 96 DPI, at dpi.
inline int ScaleForDpi(int pixels, UINT dpi) {
    return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

// An owned GDI font, deleted when replaced or destroyed.
class CFontHandle {
public:
    CFontHandle() = default;
    explicit CFontHandle(HFONT font) : font_(font) {}
    ~CFontHandle() { Reset(); }
    CFontHandle(CFontHandle&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}
    CFontHandle& operator=(CFontHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            font_ = std::exchange(other.font_, nullptr);
        }
        return *this;
    }
    CFontHandle(const CFontHandle&) = delete;
    CFontHandle& operator=(const CFontHandle&) = delete;

    HFONT Get() const { return font_; }
    void Reset(HFONT font = nullptr) {
        if (font_)
            DeleteObject(font_);
        font_ = font;
    }

private:
    HFONT font_ = nullptr;
};
