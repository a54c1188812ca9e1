#include "platform/ui/standard_streams.h"

#include "platform/code_pages.h"
#include "platform/ui/terminal.h"

namespace zem::ui {

// Texts may name files whose bytes are not UTF-8; they are printed readably.
void WriteStandardOutput(const Text& text) {
    WriteToStream(StandardStream::kOutput, ReadableText(text));
}
void WriteStandardError(const Text& text) {
    WriteToStream(StandardStream::kError, ReadableText(text));
}
void WriteMessageBoxText(const Text& text, const Text& caption) {
    WriteStandardOutput((caption.empty() ? Text(u"Error") : caption) + u": " + text + u"\n");
}

bool StandardErrorIsTerminal() {
    return StreamIsTerminal(StandardStream::kError);
}
bool StandardInputIsTerminal() {
    return StreamIsTerminal(StandardStream::kInput);
}

}  // namespace zem::ui
