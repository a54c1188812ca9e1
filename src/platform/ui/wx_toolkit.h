// The real window toolkit: wxWidgets on GTK 3. Created only when a display is available;
// null when the toolkit cannot start (no display, GTK refuses). Non-interactive, message
// boxes are printed to standard output instead of waiting for a click.
//
// ZEM_SCREENSHOT=<file.png> in the environment makes the toolkit save a picture of the
// first dialog it shows (its caption drawn above the client area) once it has been drawn,
// and then close that dialog.
#pragma once

#include <memory>

#include "platform/ui/toolkit.h"

namespace zem::ui {

std::unique_ptr<Toolkit> CreateWxToolkit(bool nonInteractive);

}  // namespace zem::ui
