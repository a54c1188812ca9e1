#include <windows.h>

#include <atomic>
#include <string>

#include "platform/ui/terminal.h"

namespace zem::ui {

namespace {

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
constexpr DWORD ENABLE_VIRTUAL_TERMINAL_PROCESSING = 0x0004;
#endif

// Set by the system's Ctrl+C notice, which arrives on a thread of its own.
std::atomic<bool> g_interrupted{false};
// The thread that reads standard input while interrupts are watched: Ctrl+C cancels its
// pending read of a pipe (a console read ends by itself).
std::atomic<HANDLE> g_readingThread{nullptr};
bool g_watching = false;

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    g_interrupted = true;
    if (HANDLE thread = g_readingThread.load())
        CancelSynchronousIo(thread);
    return TRUE;
}

DWORD StandardHandleId(StandardStream stream) {
    switch (stream) {
        case StandardStream::kInput:
            return STD_INPUT_HANDLE;
        case StandardStream::kOutput:
            return STD_OUTPUT_HANDLE;
        case StandardStream::kError:
            break;
    }
    return STD_ERROR_HANDLE;
}

HANDLE RawHandle(StandardStream stream) {
    HANDLE handle = GetStdHandle(StandardHandleId(stream));
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

// A stream without a handle gets the console's own input or output.
void OpenMissingStreams() {
    for (StandardStream stream :
         {StandardStream::kInput, StandardStream::kOutput, StandardStream::kError}) {
        if (RawHandle(stream))
            continue;
        const bool input = stream == StandardStream::kInput;
        HANDLE handle =
            CreateFileW(input ? L"CONIN$" : L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            SetStdHandle(StandardHandleId(stream), handle);
    }
}

bool AnyStreamMissing() {
    return !RawHandle(StandardStream::kInput) || !RawHandle(StandardStream::kOutput) ||
           !RawHandle(StandardStream::kError);
}

// Attaching to a console replaces the standard handles of a window program; the ones that
// were redirected are put back.
bool AttachOrOpenConsole(bool openNew) {
    HANDLE saved[3];
    const StandardStream streams[3] = {StandardStream::kInput, StandardStream::kOutput,
                                       StandardStream::kError};
    for (int i = 0; i < 3; ++i)
        saved[i] = RawHandle(streams[i]);
    bool connected = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
    if (!connected)
        connected = GetLastError() == ERROR_ACCESS_DENIED;  // it has one already
    if (!connected && openNew)
        connected = AllocConsole() != 0;
    for (int i = 0; i < 3; ++i)
        if (saved[i])
            SetStdHandle(StandardHandleId(streams[i]), saved[i]);
    if (connected)
        OpenMissingStreams();
    return connected;
}

bool g_consoleTried = false;

// A window program started from a console has no standard handles unless they were
// redirected; what it prints goes to the console it was started from, when there is one.
HANDLE StreamHandle(StandardStream stream) {
    HANDLE handle = RawHandle(stream);
    if (!handle && !g_consoleTried) {
        g_consoleTried = true;
        AttachOrOpenConsole(/*openNew=*/false);
        handle = RawHandle(stream);
    }
    return handle;
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle && GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
}

// Consoles that cannot follow terminal sequences get the text without "erase the rest of
// the line", the one sequence the program writes.
Text ForConsole(HANDLE console, const Text& text) {
    DWORD mode = 0;
    GetConsoleMode(console, &mode);
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
        SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
        return text;
    Text plain = text;
    for (size_t at; (at = plain.find(u"\x1b[K")) != Text::npos;)
        plain.erase(at, 3);
    return plain;
}

// Under Wine, wide-character writes to a pipe lose every character outside ASCII; files and
// pipes get UTF-8 bytes.
void WriteBytes(HANDLE handle, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                       &written, nullptr) ||
            written == 0)
            return;
        done += written;
    }
}

void WriteCharacters(HANDLE console, const Text& text) {
    const Text shown = ForConsole(console, text);
    size_t done = 0;
    while (done < shown.size()) {
        DWORD written = 0;
        if (!WriteConsoleW(console, reinterpret_cast<const wchar_t*>(shown.data()) + done,
                           static_cast<DWORD>(shown.size() - done), &written, nullptr) ||
            written == 0)
            return;
        done += written;
    }
}

// The notice of Ctrl+C comes on its own thread, possibly just after the read it ended
// has returned; it is waited for briefly.
bool InterruptArrives() {
    for (int waited = 0; waited < 50 && !g_interrupted; ++waited)
        ::Sleep(5);
    return g_interrupted;
}

ReadResult ReadConsoleLine(HANDLE console, Text& line) {
    Text typed;
    for (;;) {
        wchar_t c = 0;
        DWORD read = 0;
        SetLastError(ERROR_SUCCESS);
        const BOOL ok = ReadConsoleW(console, &c, 1, &read, nullptr);
        if (!ok || read == 0) {
            if (GetLastError() == ERROR_OPERATION_ABORTED || g_interrupted)
                return InterruptArrives() ? ReadResult::kInterrupted : ReadResult::kEnd;
            if (typed.empty())
                return ReadResult::kEnd;
            break;
        }
        if (c == L'\n')
            break;
        // Ctrl+Z at the start of a line ends the input, as in every console program.
        if (c == 0x1A && typed.empty())
            return ReadResult::kEnd;
        typed += static_cast<char16_t>(c);
    }
    if (!typed.empty() && typed.back() == u'\r')
        typed.pop_back();
    line = typed;
    return ReadResult::kLine;
}

ReadResult ReadPipeLine(HANDLE input, Text& line) {
    std::string bytes;
    for (;;) {
        char c = 0;
        DWORD read = 0;
        if (!ReadFile(input, &c, 1, &read, nullptr) || read == 0) {
            if (g_interrupted || GetLastError() == ERROR_OPERATION_ABORTED)
                return InterruptArrives() ? ReadResult::kInterrupted : ReadResult::kEnd;
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
    line = FromUtf8(bytes);
    return ReadResult::kLine;
}

}  // namespace

void WriteToStream(StandardStream stream, const Text& text) {
    HANDLE handle = StreamHandle(stream);
    if (!handle || text.empty())
        return;
    if (IsConsole(handle))
        WriteCharacters(handle, text);
    else
        WriteBytes(handle, ToUtf8(text));
}

bool StreamIsTerminal(StandardStream stream) {
    return IsConsole(StreamHandle(stream));
}

ReadResult ReadStandardInputLine(Text& line) {
    HANDLE input = StreamHandle(StandardStream::kInput);
    if (!input)
        return ReadResult::kEnd;
    if (g_interrupted)
        return ReadResult::kInterrupted;
    return IsConsole(input) ? ReadConsoleLine(input, line) : ReadPipeLine(input, line);
}

void StartWatchingInterrupts() {
    HANDLE thread = OpenThread(THREAD_TERMINATE, FALSE, GetCurrentThreadId());
    g_readingThread = thread;
    g_watching = SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
    if (!g_watching) {
        g_readingThread = nullptr;
        if (thread)
            CloseHandle(thread);
    }
}

void StopWatchingInterrupts() {
    if (!g_watching)
        return;
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    g_watching = false;
    if (HANDLE thread = g_readingThread.exchange(nullptr))
        CloseHandle(thread);
}

bool TakeInterrupt() {
    return g_interrupted.exchange(false);
}

// The console's notice would come on a thread of its own; the flag and the cancelled read
// are the same.
void RaiseInterrupt() {
    if (g_watching)
        OnConsoleControl(CTRL_C_EVENT);
}

void ConnectConsole() {
    g_consoleTried = true;
    AttachOrOpenConsole(/*openNew=*/AnyStreamMissing());
}

}  // namespace zem::ui
