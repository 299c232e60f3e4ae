#pragma once

#include <span>

// The main dialog's layout as data: what a dialog resource would hold. Texts
// are UTF-8, rectangles in dialog units (see DialogUnits). The data is static
// and lives for the whole program.

enum class ControlKind { kStatic, kPushButton, kEdit };

// Styles that show in behaviour; the rest of a resource's style bits (child,
// visible, group) have no counterpart here.
enum ControlStyle : unsigned {
    kStyleNone = 0,
    kStyleTabStop = 1u << 0,
    kStyleBorder = 1u << 1,
    kStyleReadOnly = 1u << 2,
    kStyleAlignRight = 1u << 3,  // left-aligned otherwise
    kStyleAutoHScroll = 1u << 4,
};

struct DialogRect {
    int x, y, cx, cy;
};

struct DialogControlTemplate {
    int id;
    const char* symbol;  // the id's name, or a label's own name
    ControlKind kind;
    const char* text;
    DialogRect rect;
    unsigned styles;
};

struct DialogTemplate {
    int id;
    const char* caption;
    DialogRect rect;
    const char* fontFamily;  // the template's own face; a front end may draw a stand-in
    int fontPointSize;
    std::span<const DialogControlTemplate> controls;  // template = tab = z order
};

// The template IDD_TAVRO_DIALOG.
const DialogTemplate& TavroDialogTemplate();
