#pragma once

#include <QFont>

#include "DialogTemplate.h"

// The font the dialog is drawn in, at the template's point size. The template's
// own face, ＭＳ Ｐゴシック, is not found on Linux; IPAPGothic, drawn to its
// metrics, stands in for it where fontconfig has it, else the fallback face,
// which the dialog enlarges until every text fits. Asked for a family it lacks, fontconfig
// answers with whatever it likes best (DejaVu Sans for a Japanese name, which
// has no Japanese glyphs), so what counts is the family of the face actually
// matched, not the name asked for. Needs a QGuiApplication.
QFont DialogFont(const DialogTemplate& dlgTemplate);

// The stand-in for the template's face, and the face taken when fontconfig
// lacks that.
inline constexpr char kLinuxDialogFace[] = "IPAPGothic";
inline constexpr char kFallbackDialogFace[] = "Noto Sans CJK JP";
