#pragma once

#include <cstdint>
#include <vector>

#include "DialogTemplate.h"

// The template data as the extended dialog template (DLGTEMPLATEEX) that
// DialogBoxIndirectParamW and CreateDialogIndirectParamW read: a fixed-size
// popup with caption, system menu and minimize box, a taskbar button, the
// template's face and point size; each control child and visible, static
// texts left-aligned without wrapping and starting a group. The words are laid out from the
// vector's start, which the allocator aligns for the DWORDs inside; the
// vector must outlive the dialog's creation.
std::vector<std::uint16_t> BuildDialogResource(const DialogTemplate& dlgTemplate);
