#pragma once

#include <QFont>

#include "DialogTemplate.h"

// The font the dialog is drawn in, at the template's point size. The template's
// own face, ＭＳ Ｐゴシック, is not found on Linux; IPAPGothic, drawn to its
// metrics, stands in for it where the system has it, else the fallback face,
// which the dialog enlarges until every text fits. Whether it has it is judged
// by the names of the face actually matched (fontconfig answers a missing name
// with a face of its choosing), each of them, whatever the locale. Needs a
// QGuiApplication.
QFont DialogFont(const DialogTemplate& dlgTemplate);

// The stand-in for the template's face, and the face taken when fontconfig
// lacks that.
inline constexpr char kLinuxDialogFace[] = "IPAPGothic";
inline constexpr char kFallbackDialogFace[] = "Noto Sans CJK JP";
