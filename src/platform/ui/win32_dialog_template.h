// A running dialog's window tree as the extended dialog template the Windows dialog manager
// reads (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX items, in memory): sizes stay in dialog
// units, so the dialog manager converts them with the template's font exactly as it does
// for a template compiled into a program. The result is plain data the caller owns.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ui/window.h"

namespace zem::ui {

// `root` is the dialog's window with its controls as children; `font` is the template's.
// The dialog's own style is taken from `style` (the caller may differ from the template,
// e.g. to show the window itself), the controls' from their windows. An SS_ICON static gets
// an empty title: its icon is set by the toolkit, which knows where icons come from.
std::vector<uint16_t> BuildDialogTemplate(const Window& root, const DialogTemplate& font,
                                          uint32_t style, uint32_t exStyle);

}  // namespace zem::ui
