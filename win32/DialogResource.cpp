#include "DialogResource.h"

#include <windows.h>

#include <string>

#include "WideText.h"

namespace {

// The predefined window classes, by atom.
constexpr std::uint16_t kButtonAtom = 0x0080;
constexpr std::uint16_t kEditAtom = 0x0081;
constexpr std::uint16_t kStaticAtom = 0x0082;

class Words {
public:
    void Word(std::uint32_t value) { words_.push_back(static_cast<std::uint16_t>(value)); }
    void Dword(std::uint32_t value) {
        Word(value & 0xFFFFu);
        Word(value >> 16);
    }
    void Short(int value) { Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(value))); }
    void Rect(const DialogRect& r) {
        Short(r.x);
        Short(r.y);
        Short(r.cx);
        Short(r.cy);
    }
    // A zero-terminated UTF-16 string.
    void Text(const char* utf8) {
        for (const wchar_t c : Widen(utf8)) {
            Word(static_cast<std::uint16_t>(c));
        }
        Word(0);
    }
    // Each control starts on a DWORD boundary.
    void AlignDword() {
        if (words_.size() % 2 != 0) {
            Word(0);
        }
    }
    std::vector<std::uint16_t> Take() { return std::move(words_); }

private:
    std::vector<std::uint16_t> words_;
};

DWORD StyleOf(const DialogControlTemplate& control) {
    DWORD style = WS_CHILD | WS_VISIBLE;
    if ((control.styles & kStyleTabStop) != 0) {
        style |= WS_TABSTOP;
    }
    if ((control.styles & kStyleBorder) != 0) {
        style |= WS_BORDER;
    }
    switch (control.kind) {
        case ControlKind::kPushButton:
            return style | BS_PUSHBUTTON;
        case ControlKind::kEdit:
            if ((control.styles & kStyleReadOnly) != 0) {
                style |= ES_READONLY;
            }
            if ((control.styles & kStyleAutoHScroll) != 0) {
                style |= ES_AUTOHSCROLL;
            }
            return style | ((control.styles & kStyleAlignRight) != 0 ? ES_RIGHT : ES_LEFT);
        case ControlKind::kStatic:
            break;
    }
    // A label that does not quite fit (a stand-in face a little wider than
    // the template's) is cut at its end rather than broken onto a second
    // line that its rectangle has no room for.
    return style | WS_GROUP |
           ((control.styles & kStyleAlignRight) != 0 ? SS_RIGHT : SS_LEFTNOWORDWRAP);
}

// The class of each kind, in ControlKind's order.
constexpr std::uint16_t kClassAtoms[] = {kStaticAtom, kButtonAtom, kEditAtom};
static_assert(static_cast<int>(ControlKind::kStatic) == 0 &&
              static_cast<int>(ControlKind::kPushButton) == 1 &&
              static_cast<int>(ControlKind::kEdit) == 2);

}  // namespace

std::vector<std::uint16_t> BuildDialogResource(const DialogTemplate& dlgTemplate) {
    Words w;
    // 1. The header: version 1 of the extended form, no help id.
    w.Word(1);
    w.Word(0xFFFF);
    w.Dword(0);
    w.Dword(WS_EX_APPWINDOW);
    w.Dword(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFONT);
    w.Word(static_cast<std::uint32_t>(dlgTemplate.controls.size()));
    w.Rect(dlgTemplate.rect);
    // 2. No menu, the dialog manager's own window class, the caption.
    w.Word(0);
    w.Word(0);
    w.Text(dlgTemplate.caption);
    // 3. The font: point size, default weight, not italic, default character
    //    set, face.
    w.Word(static_cast<std::uint32_t>(dlgTemplate.fontPointSize));
    w.Word(FW_DONTCARE);
    w.Word(DEFAULT_CHARSET << 8);  // the italic byte (0), then the character set
    w.Text(dlgTemplate.fontFamily);
    // 4. The controls, in template order (the tab and z order).
    for (const DialogControlTemplate& control : dlgTemplate.controls) {
        w.AlignDword();
        w.Dword(0);  // help id
        w.Dword(0);  // extended style
        w.Dword(StyleOf(control));
        w.Rect(control.rect);
        w.Dword(static_cast<std::uint32_t>(control.id));
        w.Word(0xFFFF);
        w.Word(kClassAtoms[static_cast<int>(control.kind)]);
        w.Text(control.text);
        w.Word(0);  // no creation data
    }
    return w.Take();
}
