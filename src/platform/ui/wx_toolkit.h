// The real window toolkit: wxWidgets on GTK 3. Created only when a display is available;
// null when the toolkit cannot start (no display, GTK refuses). Non-interactive, message
// boxes are printed to standard output instead of waiting for a click.
#pragma once

#include <functional>
#include <memory>

#include "platform/ui/toolkit.h"

class wxTopLevelWindow;

namespace zem::ui {

std::unique_ptr<Toolkit> CreateWxToolkit(bool nonInteractive);

// Called once, from the event loop, right after the first dialog window the toolkit shows
// has appeared: for a tool that looks at the real window, such as a test that takes its
// picture. Closing the window (wxWindow::Close) closes the dialog as its close box does.
// Set before the first dialog runs, on the user-interface thread.
void SetFirstDialogShownHook(std::function<void(wxTopLevelWindow&)> hook);

}  // namespace zem::ui
