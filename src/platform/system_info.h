// The process and user environment: folders, user, locale, clock, ids, command line.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace zem {

// Linux: $TMPDIR if set, else "/tmp/". Windows: GetTempPathW. Always ends with a separator.
Text GetSystemTempFolder();

// Makes `path` a private folder of the current user, creating it when missing. A folder that
// exists but is a link, or not a folder, is refused, and on Linux also one not owned by the
// user or writable by others: the result is then a fresh private folder made next to it and
// `reason` says why. On Linux a folder is private by its mode (0700); on Windows by the
// permissions it inherits from the user's profile, where the temporary path lies. Returns
// the folder used, ending with a separator, or empty text when no folder could be made.
Text MakePrivateFolder(const Text& path, Text& reason);

// The user's Documents folder: FOLDERID_Documents on Windows; on Linux $XDG_DOCUMENTS_DIR
// (from the environment or user-dirs.dirs), else ~/Documents. No trailing separator. Empty
// when the folder is unknown.
Text GetDocumentsFolderPath();
// FOLDERID_LocalAppData on Windows; $XDG_DATA_HOME, else ~/.local/share, on Linux. No
// trailing separator.
Text GetLocalAppDataFolderPath();
Text GetHomeFolder();

// The name of the user the process runs as.
Text GetUserName();

// The user's locale id and ANSI code page: the system's on Windows; on Linux those the locale
// environment (LC_ALL, LC_MESSAGES, LANG) corresponds to: zh_CN 2052/936, zh_TW 1028/950 ...
uint32_t GetUserDefaultLCID();
uint32_t GetAnsiCodePage();

// Calendar fields of a local time.
struct CalendarTime {
    int year = 0, month = 0, day = 0, dayOfWeek = 0;  // month 1-12, dayOfWeek 0 = Sunday
    int hour = 0, minute = 0, second = 0, milliseconds = 0;
};
// The long date and the default time as Windows shows them for the locale (on Linux a table:
// 2052 "2026年12月7日" "7:21:17"; 1033 "Monday, December 7, 2026" "7:21:17 AM"; else ISO).
Text FormatLongDate(uint32_t lcid, const CalendarTime& time);
Text FormatTimeOfDay(uint32_t lcid, const CalendarTime& time);

// Seconds since 1970-01-01 00:00 UTC.
int64_t CurrentUnixTime();
// Local calendar time of a Unix time (localtime_r); false when it cannot be converted
// (negative, or past the end of the year 3000).
bool UnixTimeToLocalCalendar(int64_t seconds, CalendarTime& time);
// The current local time.
bool CurrentLocalCalendar(CalendarTime& time);

// Milliseconds since an arbitrary start, as a wrapping 32-bit count.
uint32_t GetTickCount();
void Sleep(uint32_t milliseconds);
uint32_t GetCurrentProcessId();
uint32_t GetCurrentThreadId();

// The command line. main() records argv once; GetCommandLine gives the program path and
// the arguments joined by single spaces, GetCommandLineArguments the arguments alone, one
// text per argv item as the program was given them. Linux arguments are file-system bytes;
// Windows ones come wide from wmain (narrow ones, as tests pass them, are read as UTF-8).
// CommandLineChar is the character type of the program's entry point (platform/entry_point.h).
#ifdef _WIN32
using CommandLineChar = wchar_t;
void SetCommandLine(int argc, wchar_t** argv);
#else
using CommandLineChar = char;
#endif
void SetCommandLine(int argc, char** argv);
Text GetCommandLine();
std::vector<Text> GetCommandLineArguments();

// Writing into a pipe whose reader has gone ("ZemYNote ... | head -1") fails the write
// (EPIPE) instead of ending the process with SIGPIPE. Nothing to do on Windows.
void IgnoreBrokenPipes();

// True while a process with this id exists (it may belong to another user). Process ids
// are reused: a true answer for an ended process is possible, a false one for a live process
// is not.
bool IsProcessRunning(uint32_t processId);

// An environment variable, empty when unset.
Text GetEnvironmentText(const char* name);

// Standard input and standard error are both terminals.
bool IsInteractiveTerminal();

// The face of the menu font: what the window toolkit reports once it runs, "Sans" until
// then. Setting empty text restores "Sans".
Text GetMenuFontFace();
void SetMenuFontFace(const Text& face);

}  // namespace zem
