// Files and folders by name. On Linux names go to the system through ToFileSystemBytes and
// come back through FromFileSystemBytes, so names that are not UTF-8 keep their bytes; on
// Windows they are UTF-16 already and pass as they are. Every function sets the calling
// thread's last error code (GetLastErrorCode) on failure, the way the Windows calls do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_stamp.h"
#include "platform/last_error.h"
#include "platform/text.h"

namespace zem {

// The separator the program writes into the paths it makes. Routines that read a path also
// take "/" on Windows; "\" is an ordinary name character on Linux.
#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif
constexpr bool IsPathSeparator(char16_t c) {
#ifdef _WIN32
    return c == u'/' || c == u'\\';
#else
    return c == u'/';
#endif
}
// `path` with each "/" written as the edition's separator (unchanged on Linux): for the
// fixed relative paths the program joins to its folders ("files/default.css").
Text ToNativeSeparators(TextView path);
// The length of one name (a path piece) as the file system's limit of 255 counts it: bytes
// of the file-system name on Linux, UTF-16 units on Windows.
constexpr size_t kMaxFileNameLength = 255;
size_t FileNameLength(TextView name);
// The position of the last separator in `path`, or npos.
size_t LastPathSeparator(TextView path);
// Whether `path` names the same place from any current directory: "/..." on Linux; a drive
// ("C:\..."), a share ("\\server\...") or a rooted path ("\...") on Windows.
bool IsAbsolutePath(TextView path);
// The long form of a path: on Windows each 8.3 short name expanded and the drive letter
// upper-cased (the input when the path does not exist); Linux has no short names.
Text GetLongPathName(const Text& path);

// A file, folder or anything else exists at the path (links are followed).
bool PathExists(const Text& path);

struct FileAttributes {
    bool isFolder = false;
    bool isRegularFile = false;  // neither a folder nor a named pipe, device or socket
    bool isHidden = false;       // the name starts with "."
    bool isSymlink = false;      // the path itself is a symbolic link
    uint64_t size = 0;           // bytes; 0 for folders
    int64_t lastWriteTime = 0;   // seconds since 1970-01-01 00:00 UTC
};
// False (and last error set) when nothing is at the path.
bool GetFileAttributes(const Text& path, FileAttributes& attributes);

// The whole content of the regular file at `path` (links followed), read straight into
// `bytes` without a stream: the engine reads every imported page so. A named pipe, device or
// folder is refused (last error ENODEV, EISDIR) without waiting for a writer: it is opened
// non-blocking and checked before a byte is read. False (last error set, `bytes` empty) when
// nothing is there or reading fails.
bool ReadRegularFile(const Text& path, std::string& bytes);

// The absolute path of what `path` names with every link, "." and ".." resolved (the C
// library's realpath). False (last error set) when some part of it does not exist.
bool ResolvePath(const Text& path, Text& resolved);

bool CreateFolder(const Text& path);  // one level; fails when it exists
// Creates the folder and every missing parent, from the deepest folder that exists down;
// true when the path is a folder at the end (a file in the way fails with ENOTDIR).
bool CreateFolderAndParents(const Text& path);
bool RemoveFolder(const Text& path);                // an empty folder
bool DeleteFile(const Text& path);                  // a file (not a folder)
bool RenameFile(const Text& from, const Text& to);  // replaces `to` atomically
// Swaps two existing entries in one atomic step. False (last error set) when either is
// missing or the file system cannot swap; nothing has changed then.
bool ExchangeFiles(const Text& first, const Text& second);
// A new folder inside `parent` named `prefix` + six random characters, made in one step
// under a name no other process can take at the same time (mkdtemp), readable only by the
// user. Its path ending with "/", or empty text (last error set).
Text CreateUniqueFolder(const Text& parent, const Text& prefix);

struct DirectoryEntry {
    Text name;              // without folder
    bool isFolder = false;  // a real folder; a link to a folder is not one
    bool isHidden = false;
    bool isSymlink = false;  // size and time are then those of the file it points to
    uint64_t size = 0;
    int64_t lastWriteTime = 0;
};
// The entries of a folder in the order the system returns them, "." and ".." included
// (as the Windows search returns them). False when the folder cannot be read.
bool ListDirectory(const Text& folder, std::vector<DirectoryEntry>& entries);

// The process's current directory.
bool SetCurrentDirectory(const Text& path);
Text GetCurrentDirectory();

}  // namespace zem
