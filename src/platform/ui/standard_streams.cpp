#include "platform/ui/standard_streams.h"

#include <stdio.h>
#include <unistd.h>

#include <string>

#include "platform/code_pages.h"

namespace zem::ui {

namespace {
// Texts may name files whose bytes are not UTF-8; they are printed readably. A stream that
// cannot be written (a pipe whose reader has gone, a full disk) loses the line and nothing
// more: the error is cleared so that the next line is tried afresh.
void Write(FILE* stream, const Text& text) {
    std::string bytes = ToUtf8(ReadableText(text));
    if (fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size() || fflush(stream) != 0)
        clearerr(stream);
}
}  // namespace

void WriteStandardOutput(const Text& text) {
    Write(stdout, text);
}
void WriteStandardError(const Text& text) {
    Write(stderr, text);
}
void WriteMessageBoxText(const Text& text, const Text& caption) {
    Write(stdout, (caption.empty() ? Text(u"Error") : caption) + u": " + text + u"\n");
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}
bool StandardInputIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}

}  // namespace zem::ui
