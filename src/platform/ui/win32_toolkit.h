// The real window toolkit of the Windows edition: the program's dialog templates shown by
// the Windows dialog manager with the system's own controls (the common controls' progress
// bar among them), the system's message boxes and open-file dialog. Started by
// CreateWindowToolkit (window_toolkit.h), which registers the common-control classes.
// User-interface thread only. Non-interactive, message boxes are printed to standard
// output instead of waiting for a click.
#pragma once

#include <functional>

struct HWND__;

namespace zem::ui {

// Called once, from the modal loop, right after the first dialog window the toolkit shows
// has been shown and painted: for a tool that looks at the real window, such as a test
// that takes its picture (BitBlt from its device context, or PrintWindow). The argument is the
// dialog's HWND. Posting WM_CLOSE to it closes the dialog as its close box does. Set
// before the first dialog runs, on the user-interface thread.
void SetFirstDialogShownHook(std::function<void(HWND__* dialog)> hook);

}  // namespace zem::ui
