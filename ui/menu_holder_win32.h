// A menu handle owned for one scope: the page's pop-up menus, loaded or built, are destroyed
// however the scope ends.
#pragma once

#include <windows.h>

class CMenuHolder {
public:
    explicit CMenuHolder(HMENU menu) : menu_(menu) {}
    ~CMenuHolder() {
        if (menu_)
            DestroyMenu(menu_);
    }
    CMenuHolder(const CMenuHolder&) = delete;
    CMenuHolder& operator=(const CMenuHolder&) = delete;
    HMENU Get() const { return menu_; }

private:
    HMENU menu_;
};
