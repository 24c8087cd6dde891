// Owned GDI objects and device contexts, and an object selected into a DC for a scope: each is
// given back exactly once, in the order GDI needs (selected objects before they are deleted).
#pragma once

#include <windows.h>

#include <utility>

// A pen, brush, bitmap or region, deleted on destruction.
template <typename Handle>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(Handle object) : object_(object) {}
    ~CGdiObject() {
        if (object_)
            DeleteObject(object_);
    }
    CGdiObject(CGdiObject&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    Handle Get() const { return object_; }

private:
    Handle object_ = nullptr;
};

// A memory DC compatible with another, deleted on destruction.
class CMemoryDc {
public:
    explicit CMemoryDc(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
    ~CMemoryDc() {
        if (dc_)
            DeleteDC(dc_);
    }
    CMemoryDc(const CMemoryDc&) = delete;
    CMemoryDc& operator=(const CMemoryDc&) = delete;

    HDC Get() const { return dc_; }

private:
    HDC dc_ = nullptr;
};

// Selects an object into a DC and puts the one before back at the end of the scope.
class CSelection {
public:
    CSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~CSelection() {
        if (previous_)
            SelectObject(dc_, previous_);
    }
    CSelection(const CSelection&) = delete;
    CSelection& operator=(const CSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};
