// Text written to the program's standard output and standard error, for the toolkits that
// print: written at once, as UTF-8 to files and pipes and as characters to a console.
#pragma once

#include "platform/text.h"

namespace zem::ui {

void WriteStandardOutput(const Text& text);
void WriteStandardError(const Text& text);
// A message box printed instead of shown: "<caption>: <text>", the caption "Error" when
// empty.
void WriteMessageBoxText(const Text& text, const Text& caption);
bool StandardErrorIsTerminal();
bool StandardInputIsTerminal();

}  // namespace zem::ui
