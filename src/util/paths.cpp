#include "util/paths.h"

#include <algorithm>
#include <vector>

#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/system_info.h"

namespace zem {

namespace {

bool IsSeparator(char16_t c) {
    return c == u'/' || c == u'\\';
}

// Position just past the last separator: where the file name starts.
size_t FileNameStart(TextView path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1]))
            return i;
    }
    return 0;
}

// Position of the extension's dot inside the file name, or npos.
size_t ExtensionStart(TextView path) {
    const size_t dot = path.rfind(u'.');
    return dot != TextView::npos && dot >= FileNameStart(path) ? dot : TextView::npos;
}

Text WithSeparator(const Text& folder) {
    return EndsWithSeparator(folder) ? folder : folder + kPathSeparator;
}

bool IsDotEntry(const Text& name) {
    return name == u"." || name == u"..";
}

bool IsFolder(const Text& path) {
    FileAttributes attributes;
    return GetFileAttributes(path, attributes) && attributes.isFolder;
}

// Deletes every entry below `base` (a folder path ending with a separator), hidden ones
// included. A link to a folder is not listed as a folder, so it is removed itself and the
// walk never leaves the tree through it.
void DeleteEverythingInside(const Text& base) {
    std::vector<DirectoryEntry> entries;
    if (!ListDirectory(base, entries))
        return;
    for (const DirectoryEntry& entry : entries) {
        if (IsDotEntry(entry.name))
            continue;
        const Text path = base + entry.name;
        if (entry.isFolder) {
            DeleteEverythingInside(path + kPathSeparator);
            RemoveFolder(path);
        } else {
            DeleteFile(path);
        }
    }
}

}  // namespace

Text GetFolderPart(TextView path) {
    return Text(path.substr(0, FileNameStart(path)));
}

Text GetParentFolder(TextView folder) {
    return GetFolderPart(EndsWithSeparator(folder) ? folder.substr(0, folder.size() - 1) : folder);
}

Text GetExtension(TextView path) {
    const size_t dot = ExtensionStart(path);
    return dot == TextView::npos ? Text() : Text(path.substr(dot));
}

Text GetBaseName(TextView path) {
    const size_t start = FileNameStart(path);
    const size_t dot = ExtensionStart(path);
    return Text(path.substr(start, (dot == TextView::npos ? path.size() : dot) - start));
}

Text GetFileNamePart(TextView path) {
    return Text(path.substr(FileNameStart(path)));
}

Text MakeAbsolutePath(const Text& path, const Text& base) {
    if (path.empty() || IsAbsolutePath(path) || base.empty())
        return path;
    Text folder = base;
    AddTrailingSeparator(folder);
    return folder + path;
}

Text GetLongPath(TextView path) {
    return GetLongPathName(Text(path));
}

Text GetModulePath() {
    return GetLongPath(GetExecutablePath());
}

Text GetProgramFolder() {
    return GetFolderPart(GetModulePath());
}

Text GetSystemTempPath() {
    return WithSeparator(GetSystemTempFolder());
}

bool CreateFolderBelowRoot(const Text& path) {
    if (path.empty())
        return false;
    if (FileAttributes attributes; GetFileAttributes(path, attributes))
        return attributes.isFolder;
    // The first piece of a relative path stands where a Windows path has its drive: it is
    // never made, and a path of that piece alone counts as made.
    if (!IsPathSeparator(path.front())) {
        const auto separator = std::find_if(path.begin(), path.end(), IsPathSeparator);
        const auto slash = static_cast<size_t>(separator - path.begin());
        if (separator == path.end() || slash + 1 == path.size())
            return true;
        if (!IsFolder(path.substr(0, slash + 1)))
            return false;
    }
    return CreateFolderAndParents(path);
}

int64_t GetFileLength(const Text& path) {
    FileAttributes attributes;
    if (!GetFileAttributes(path, attributes) || attributes.isFolder)
        return 0;
    return static_cast<int64_t>(attributes.size);
}

DateTime GetFileModifiedTime(const Text& path) {
    DateTime result;
    FileAttributes attributes;
    if (!GetFileAttributes(path, attributes)) {
        CalendarToOleDate(CalendarTime{.year = 2000, .month = 1, .day = 1}, result.value);
        return result;
    }
    CalendarTime time;
    CalendarTime readBack;
    result.valid = UnixTimeToLocalCalendar(attributes.lastWriteTime, time) &&
                   CalendarToOleDate(time, result.value) &&
                   OleDateToCalendar(result.value, readBack) && readBack.year == time.year &&
                   readBack.month == time.month && readBack.day == time.day &&
                   readBack.hour == time.hour && readBack.minute == time.minute &&
                   readBack.second == time.second;
    return result;
}

void EnumerateFiles(const Text& folder, const Text& filter, TextList& list, int flags) {
    const Text base = WithSeparator(folder);
    const Text filterList = filter + u';';
    const bool everything = EqualsIgnoreCase(filter, u"*.*");
    std::vector<DirectoryEntry> entries;
    if (!ListDirectory(base, entries))
        return;
    for (const DirectoryEntry& entry : entries) {
        if (entry.isFolder) {
            if ((flags & kEnumRecursive) && !IsDotEntry(entry.name)) {
                EnumerateFiles(base + entry.name + kPathSeparator, filter, list, flags);
            }
            continue;
        }
        if (entry.isHidden && !(flags & kEnumIncludeHidden))
            continue;
        const Text extension = GetExtension(entry.name);
        if (everything || (!extension.empty() &&
                           FindIgnoreCase(filterList, u"*" + extension + u";") != Text::npos)) {
            list.push_back(base + entry.name);
        }
    }
}

void EnumerateFolders(const Text& folder, TextList& list, int flags) {
    const Text base = WithSeparator(folder);
    std::vector<DirectoryEntry> entries;
    if (!ListDirectory(base, entries))
        return;
    for (const DirectoryEntry& entry : entries) {
        if (!entry.isFolder || IsDotEntry(entry.name))
            continue;
        if (entry.isHidden && !(flags & kEnumIncludeHidden))
            continue;
        const Text path = GetLongPath(base + entry.name);
        list.push_back(path);
        if (flags & kEnumRecursive)
            EnumerateFolders(path, list, flags);
    }
}

bool IsEmptyFolder(const Text& folder) {
    std::vector<DirectoryEntry> entries;
    return ListDirectory(folder, entries) &&
           std::all_of(entries.begin(), entries.end(),
                       [](const DirectoryEntry& entry) { return IsDotEntry(entry.name); });
}

bool RemoveEmptyFolder(const Text& folder) {
    if (RemoveFolder(folder))
        return true;
    if (EndsWithSeparator(folder))
        return false;
    return RemoveFolder(folder + kPathSeparator);
}

namespace {

// A link given as the folder is not followed: clearing it would delete the target's files.
bool IsLinkedFolder(const Text& folder) {
    Text path = folder;
    while (path.size() > 1 && EndsWithSeparator(path))
        path.pop_back();
    FileAttributes attributes;
    return GetFileAttributes(path, attributes) && attributes.isSymlink;
}

}  // namespace

void ClearFolder(const Text& folder) {
    if (!PathExists(folder) || IsLinkedFolder(folder))
        return;
    const Text base = WithSeparator(folder);
    DeleteEverythingInside(base);

    // Clean-up passes for whatever the first pass could not take.
    TextList files;
    EnumerateFiles(base, u"*.*", files, kEnumRecursive);
    for (const Text& file : files)
        DeleteFile(file);

    TextList folders;
    EnumerateFolders(base, folders, kEnumRecursive);
    // A parent sorts before its children, so walking backwards empties children first.
    std::sort(folders.begin(), folders.end());
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        RemoveEmptyFolder(*it);
}

bool RemoveEmptySubfolders(const Text& folder) {
    TextList subfolders;
    EnumerateFolders(folder, subfolders, 0);
    for (const Text& subfolder : subfolders) {
        TextList files;
        EnumerateFiles(subfolder, u"*.*", files, kEnumRecursive);
        if (!files.empty())
            continue;
        ClearFolder(subfolder);
        RemoveFolder(subfolder);
    }
    return true;
}

void RemoveFolderTree(const Text& folder) {
    if (!PathExists(folder) || IsLinkedFolder(folder))
        return;
    ClearFolder(folder);
    RemoveEmptySubfolders(folder);
    RemoveFolder(folder);
}

}  // namespace zem
