#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "platform/ui/terminal.h"

namespace zem::ui {

namespace {

volatile sig_atomic_t g_interrupted = 0;
struct sigaction g_previousAction {};
bool g_watching = false;

void OnInterrupt(int) {
    g_interrupted = 1;
}

FILE* StreamFile(StandardStream stream) {
    return stream == StandardStream::kError ? stderr : stdout;
}

int StreamDescriptor(StandardStream stream) {
    switch (stream) {
        case StandardStream::kInput:
            return STDIN_FILENO;
        case StandardStream::kOutput:
            return STDOUT_FILENO;
        case StandardStream::kError:
            break;
    }
    return STDERR_FILENO;
}

}  // namespace

void WriteToStream(StandardStream stream, const Text& text) {
    FILE* file = StreamFile(stream);
    const std::string bytes = ToUtf8(text);
    // The error is cleared so that the next text is tried afresh.
    if (fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || fflush(file) != 0)
        clearerr(file);
}

bool StreamIsTerminal(StandardStream stream) {
    return isatty(StreamDescriptor(stream)) == 1;
}

ReadResult ReadStandardInputLine(Text& line) {
    std::string bytes;
    for (;;) {
        char c;
        ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) {
            if (g_interrupted)
                return ReadResult::kInterrupted;
            continue;
        }
        if (n <= 0) {
            if (bytes.empty())
                return ReadResult::kEnd;
            break;
        }
        if (c == '\n')
            break;
        bytes += c;
    }
    if (!bytes.empty() && bytes.back() == '\r')
        bytes.pop_back();
    // A typed line may be a path: bytes that are not UTF-8 are kept for the file system.
    line = FromFileSystemBytes(bytes);
    return ReadResult::kLine;
}

// No SA_RESTART, so a read waiting for input wakes up at once.
void StartWatchingInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    g_watching = sigaction(SIGINT, &action, &g_previousAction) == 0;
}

void StopWatchingInterrupts() {
    if (g_watching)
        sigaction(SIGINT, &g_previousAction, nullptr);
    g_watching = false;
}

bool TakeInterrupt() {
    if (!g_interrupted)
        return false;
    g_interrupted = 0;
    return true;
}

void RaiseInterrupt() {
    if (g_watching)
        raise(SIGINT);
}

// A terminal program already has its terminal.
void ConnectConsole() {}

}  // namespace zem::ui
