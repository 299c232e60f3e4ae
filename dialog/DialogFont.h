#pragma once

#include <QFont>

#include "DialogTemplate.h"

// The font the dialog is drawn in: the template's face at its point size where
// fontconfig has a face of that family, else the fallback face, which the dialog
// enlarges until every text fits. Asked for a family it lacks, fontconfig
// answers with whatever it likes best (DejaVu Sans for a Japanese name, which
// has no Japanese glyphs), so what counts is the family of the face actually
// matched, not the name asked for. Needs a QGuiApplication.
QFont DialogFont(const DialogTemplate& dlgTemplate);

// The face taken when fontconfig lacks the template's.
inline constexpr char kFallbackDialogFace[] = "Noto Sans CJK JP";
