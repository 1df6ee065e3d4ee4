#pragma once

#include <cstdint>
#include <span>

// A rectangle in dialog units, as a template states it.
struct DialogRect {
    int x;
    int y;
    int width;
    int height;
};

// ComboBox is the system's drop-down list; ListView is the common controls' report list; ProgressBar is
// theirs too; Chart is the device log's offset chart, a window class of the program's own.
enum class ControlClass { Button, Edit, Static, ComboBox, ListView, ProgressBar, Chart };

// Control id of the About box's OK button (the system's IDOK), of the Find dialog's Close button (IDCANCEL,
// which Esc presses) and of statics nobody addresses.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdStatic = -1;

// One control of a dialog template.
struct DialogControlTemplate {
    int id;
    ControlClass controlClass;
    const char* text; // "" when the template gives none
    int imageId;      // bitmap or icon id of an SS_BITMAP or SS_ICON static; 0 otherwise
    std::uint32_t style;
    DialogRect rect;
};

// One dialog template: its own fields and its controls in template order (= tab order).
struct DialogTemplate {
    int id;
    bool extended; // DIALOGEX rather than a classic DIALOG
    std::uint32_t style;
    std::uint32_t exStyle;
    DialogRect rect;
    const char* title;
    const char* fontName;
    int fontPointSize;
    int fontWeight; // 0: the font's default
    bool fontItalic;
    int fontCharset;
    std::span<const DialogControlTemplate> controls;
};

// The template with that id (IDD_ABOUTBOX, IDD_CONFIG_DIALOG, IDD_FIND_DIALOG, IDD_DEVICE_LOG,
// IDD_DEVICE_ANSWERS); null for any other id.
const DialogTemplate* FindDialogTemplate(int id);
