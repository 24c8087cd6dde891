// Reads an extended dialog template (the DIALOGEX resource format) into plain values, so the page
// can lay its controls out again from dialog units at any screen scale. No window calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct DialogUnitsRect {
    int32_t x = 0, y = 0, cx = 0, cy = 0;
    bool operator==(const DialogUnitsRect&) const = default;
};

struct DialogTemplateItem {
    uint32_t id = 0;  // 0xFFFFFFFF for the template's -1
    uint32_t style = 0;
    uint32_t exStyle = 0;
    DialogUnitsRect rect;
    std::wstring className;  // predefined classes by their names ("Button", "Static", ...)
    std::wstring title;
};

struct DialogTemplate {
    uint32_t style = 0;
    DialogUnitsRect rect;
    int32_t pointSize = 0;  // 0 without DS_SETFONT
    int32_t weight = 0;
    bool italic = false;
    std::wstring faceName;
    std::vector<DialogTemplateItem> items;
};

// Null when the bytes are not a whole extended template (a classic DIALOG, or cut short).
std::optional<DialogTemplate> ParseDialogTemplate(const uint8_t* data, size_t size);
