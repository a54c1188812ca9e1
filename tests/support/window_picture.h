// A picture of the program's real first dialog, for the window test: installed before the
// program runs, it saves the dialog as the screen shows it once it has been drawn (its
// caption drawn above the client area, since a display without a window manager draws no
// frame) and then closes the dialog.
#pragma once

#include <string>

namespace zem::test {

// `pngPath` receives the picture; a picture that cannot be saved is reported on standard
// error. Call on the user-interface thread before the first dialog runs.
void TakePictureOfFirstDialog(const std::string& pngPath);

}  // namespace zem::test
