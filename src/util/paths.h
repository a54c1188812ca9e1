// The program's small file-system library: path pieces, the program's own folder, the
// system temporary path, folder trees, enumeration, removal, file size and time. Stateless
// free functions; they never log and report failure only through their results.
// Produced paths use the edition's separator ("/" on Linux, "\" on Windows); a path ending
// is tested against both "/" and "\".
#pragma once

#include <cstdint>

#include "platform/date_time.h"
#include "util/text_helpers.h"

namespace zem {

constexpr int kEnumIncludeHidden = 1;
constexpr int kEnumRecursive = 2;

// Folder part with its trailing separator ("/a/b/" for "/a/b/c.txt"); empty when none.
Text GetFolderPart(TextView path);
// The folder holding `folder` (which may end with a separator), with its trailing separator
// ("/a/" for "/a/b/" and "/a/b"); empty when none.
Text GetParentFolder(TextView folder);
// Final extension with its dot (".txt"); empty when none.
Text GetExtension(TextView path);
// File name without folder and extension ("c" for "/a/c.txt").
Text GetBaseName(TextView path);
// File name with extension, without folder.
Text GetFileNamePart(TextView path);
// `path` made absolute against the folder `base`; empty and absolute paths stay as they are.
Text MakeAbsolutePath(const Text& path, const Text& base);
// The long form of a path (GetLongPathName): on Windows short names expanded and the drive
// letter upper-cased; Linux has no short names, so the input.
Text GetLongPath(TextView path);
// The running executable's full path.
Text GetModulePath();
// The program folder, ending with a separator.
Text GetProgramFolder();
// The system temporary path, ending with a separator.
Text GetSystemTempPath();

// Creates the folder with its missing parents below its root: the first piece of the path
// (the root, or the first name of a relative path, which stands where a Windows path has
// its drive) is never created. True when the folder exists at the end.
bool CreateFolderBelowRoot(const Text& path);

// Size in bytes; 0 when missing, a folder, or on any failure.
int64_t GetFileLength(const Text& path);
// Last-write time as a local date-time; 2000-01-01 00:00:00 (valid) when missing.
DateTime GetFileModifiedTime(const Text& path);

// Appends the matching files (filter "*.htm;*.html" or "*.*") and folders. Flags as above.
void EnumerateFiles(const Text& folder, const Text& filter, TextList& list, int flags);
void EnumerateFolders(const Text& folder, TextList& list, int flags);
bool RemoveEmptyFolder(const Text& folder);
// True when the folder can be listed and holds nothing.
bool IsEmptyFolder(const Text& folder);
void ClearFolder(const Text& folder);
bool RemoveEmptySubfolders(const Text& folder);
void RemoveFolderTree(const Text& folder);

}  // namespace zem
