// The edition's real window toolkit, as start-up chooses it: wxWidgets on Linux
// (wx_toolkit.cpp), the native controls on Windows (win32_toolkit.cpp).
#pragma once

#include <memory>

#include "platform/ui/toolkit.h"

namespace zem::ui {

// Null when no window can be shown here (no display) or the toolkit does not start.
// Non-interactive, message boxes are printed to standard output instead of waiting.
std::unique_ptr<Toolkit> CreateWindowToolkit(bool nonInteractive);

}  // namespace zem::ui
