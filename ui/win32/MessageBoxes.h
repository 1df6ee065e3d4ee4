#pragma once

#include "ui/MessageKind.h"

#include <windows.h>

#include <string>

// Every message box of the window goes through this seam, so that tests can answer them.
class CMessageBoxes {
public:
    virtual ~CMessageBoxes() = default;
    // Shows a modal box owned by owner and returns the user's answer. The window keeps handling its
    // messages while the box is open.
    virtual MessageAnswer Show(HWND owner, const std::string& text, const std::string& caption,
                               MessageKind kind);
};
