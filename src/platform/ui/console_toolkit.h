// The dialog in a terminal: the caption and labels printed, the buttons offered as numbered
// choices read from standard input, Browse reading a path, the status line and progress bar
// drawn on one line of standard error, message boxes printed to standard output. Ctrl+C
// presses Cancel: the system's notice only sets a flag that the next pump or prompt turns
// into the Cancel command. Non-interactive, message boxes never wait for Enter and the end
// of standard input closes the dialog.
#pragma once

#include <memory>

#include "platform/ui/toolkit.h"

namespace zem::ui {

std::unique_ptr<Toolkit> CreateConsoleToolkit(bool nonInteractive);

}  // namespace zem::ui
