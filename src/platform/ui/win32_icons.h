// The program's icon as a Windows icon handle of one size: the icon compiled into the
// executable under the resource's id when the executable has it (the one Explorer shows
// too), else one made from the resource set's PNG image nearest in size. The caller owns
// the handle and destroys it (DestroyIcon) once no window uses it.
#pragma once

#include "platform/ui/resource_table.h"
#include "platform/ui/win32_windows.h"

namespace zem::ui {

// Null when neither source gives an icon.
HICON CreateProgramIcon(const IconResource& icon, int pixels);

}  // namespace zem::ui
