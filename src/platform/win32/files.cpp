#include "platform/files.h"

#include "platform/sqlite_setup.h"
#include "platform/win32/windows_api.h"

#include <cwctype>
#include <random>

namespace zem {

namespace win32 {

bool CheckName(TextView path) {
    if (path.find(u'\0') == TextView::npos)
        return true;
    SetLastErrorCode(ERROR_INVALID_NAME);
    return false;
}

std::wstring SystemPath(const Text& path) {
    // CreateDirectoryW's limit, the lowest of the calls': it keeps room for an 8.3 name.
    constexpr size_t kClassicLimit = MAX_PATH - 12;
    std::wstring wide(Wide(path));
    if (path.size() < kClassicLimit || path.starts_with(u"\\\\?\\") || path.starts_with(u"\\\\.\\"))
        return wide;
    std::wstring full(wide.size() + MAX_PATH, L'\0');
    DWORD length =
        GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    }
    if (length == 0 || length >= full.size())
        return wide;
    full.resize(length);
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

bool FailWithLastError() {
    SetLastErrorCode(static_cast<int>(::GetLastError()));
    return false;
}

int64_t UnixTimeOf(const FILETIME& time) {
    constexpr int64_t kTicksPerSecond = 10000000;
    constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
    const int64_t ticks =
        static_cast<int64_t>(static_cast<uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime);
    return ticks / kTicksPerSecond - kSecondsFrom1601To1970;
}

}  // namespace win32

namespace {

using win32::CheckName;
using win32::FailWithLastError;
using win32::ScopedHandle;
using win32::SystemPath;
using win32::Wide;

constexpr size_t kLongestPath = 32768;

// A handle that reads the entry's information without opening its data: folders included
// (backup semantics), links followed unless `ownEntry`.
HANDLE OpenForInformation(const Text& path, bool ownEntry = false) {
    return CreateFileW(
        SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (ownEntry ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
}

uint64_t SizeOf(DWORD high, DWORD low) {
    return static_cast<uint64_t>(high) << 32 | low;
}

bool IsLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

Text WithoutTrailingSeparators(Text path) {
    while (path.size() > 1 && IsPathSeparator(path.back()) && path[path.size() - 2] != u':')
        path.pop_back();
    return path;
}

bool IsFolderNow(const Text& path) {
    const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return FailWithLastError();
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return true;
    SetLastErrorCode(ErrorCodeOf(ErrorKind::kNotAFolder));
    return false;
}

// Makes the folder, first its missing parents when it has none: only the missing end of the
// path is made, from the deepest folder that exists.
bool MakeFolderAndParents(const Text& folder) {
    if (CreateDirectoryW(SystemPath(folder).c_str(), nullptr))
        return true;
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        // A drive's root reports access denied rather than that it exists.
        if (IsFolderNow(folder))
            return true;
        SetLastErrorCode(error == ERROR_ALREADY_EXISTS ? ErrorCodeOf(ErrorKind::kNotAFolder)
                                                       : static_cast<int>(error));
        return false;
    }
    if (error != ERROR_PATH_NOT_FOUND && error != ERROR_FILE_NOT_FOUND)
        return FailWithLastError();
    const size_t separator = LastPathSeparator(folder);
    if (separator == Text::npos || separator == 0 || folder[separator - 1] == u':' ||
        IsPathSeparator(folder[separator - 1])) {
        SetLastErrorCode(static_cast<int>(error));
        return false;  // the root or the share itself is missing
    }
    if (!MakeFolderAndParents(WithoutTrailingSeparators(folder.substr(0, separator))))
        return false;
    if (CreateDirectoryW(SystemPath(folder).c_str(), nullptr))
        return true;
    return (::GetLastError() == ERROR_ALREADY_EXISTS && IsFolderNow(folder)) || FailWithLastError();
}

}  // namespace

bool IsAbsolutePath(TextView path) {
    if (!path.empty() && IsPathSeparator(path.front()))
        return true;
    return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == u':' &&
           IsPathSeparator(path[2]);
}

size_t FileNameLength(TextView name) {
    return name.size();
}

Text GetLongPathName(const Text& path) {
    Text result = path;
    if (CheckName(path)) {
        std::wstring buffer(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length =
                GetLongPathNameW(Wide(path), buffer.data(), static_cast<DWORD>(buffer.size()));
            if (length == 0)
                break;
            if (length < buffer.size()) {
                result = win32::FromWide(buffer.data(), length);
                break;
            }
            buffer.resize(length);
        }
    }
    if (result.size() >= 2 && result[1] == u':' && IsAsciiLetter(result[0]))
        result[0] = static_cast<char16_t>(result[0] & ~0x20);
    return result;
}

bool SqliteFileName(TextView path, std::string& name) {
    if (!CheckName(path))
        return false;
    // SQLite's Windows layer takes UTF-8 names, and passes long ones on as they are.
    name = ToUtf8(win32::FromWide(win32::SystemPath(Text(path)).c_str()));
    return true;
}

bool GetFileAttributes(const Text& path, FileAttributes& attributes) {
    if (!CheckName(path))
        return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(SystemPath(path).c_str(), GetFileExInfoStandard, &data))
        return FailWithLastError();
    const bool isLink = IsLink(data.dwFileAttributes);
    uint64_t size = SizeOf(data.nFileSizeHigh, data.nFileSizeLow);
    FILETIME written = data.ftLastWriteTime;
    DWORD kind = data.dwFileAttributes;
    if (isLink) {
        // The entry is a link: what it points to describes it, as on Linux.
        ScopedHandle target(OpenForInformation(path));
        BY_HANDLE_FILE_INFORMATION info;
        if (!target.Valid() || !GetFileInformationByHandle(target.Get(), &info))
            return FailWithLastError();
        size = SizeOf(info.nFileSizeHigh, info.nFileSizeLow);
        written = info.ftLastWriteTime;
        kind = info.dwFileAttributes;
    }
    attributes.isFolder = (kind & FILE_ATTRIBUTE_DIRECTORY) != 0;
    attributes.isRegularFile = !attributes.isFolder && (kind & FILE_ATTRIBUTE_DEVICE) == 0;
    attributes.isHidden = (data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    attributes.isSymlink = isLink;
    attributes.size = attributes.isFolder ? 0 : size;
    attributes.lastWriteTime = win32::UnixTimeOf(written);
    return true;
}

bool ReadRegularFile(const Text& path, std::string& bytes) {
    bytes.clear();
    if (!CheckName(path))
        return false;
    ScopedHandle file(CreateFileW(SystemPath(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid())
        return FailWithLastError();
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.Get(), &info))
        return FailWithLastError();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        SetLastErrorCode(ErrorCodeOf(ErrorKind::kIsAFolder));
        return false;
    }
    if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
        SetLastErrorCode(ErrorCodeOf(ErrorKind::kNotARegularFile));
        return false;
    }
    // As many bytes as the information reports: a file that grows meanwhile is read as it was.
    const uint64_t size = SizeOf(info.nFileSizeHigh, info.nFileSizeLow);
    if (size > bytes.max_size() / 2) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.Get(), bytes.data() + done, want, &got, nullptr) || got == 0) {
            const DWORD error =
                got == 0 && ::GetLastError() == ERROR_SUCCESS ? ERROR_HANDLE_EOF : ::GetLastError();
            bytes.clear();
            SetLastErrorCode(static_cast<int>(error));
            return false;
        }
        done += got;
    }
    return true;
}

bool ResolvePath(const Text& path, Text& resolved) {
    if (!CheckName(path))
        return false;
    ScopedHandle file(OpenForInformation(path));
    if (!file.Valid())
        return FailWithLastError();
    // Room for the longest path the system has.
    std::wstring buffer(kLongestPath, L'\0');
    DWORD length = GetFinalPathNameByHandleW(
        file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    // Wine answers ERROR_MORE_DATA for any path past MAX_PATH, however large the buffer: the
    // path is then taken as the system normalises it, without its links followed.
    if (length == 0 && ::GetLastError() == ERROR_MORE_DATA)
        length =
            GetFullPathNameW(Wide(path), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0 || length >= buffer.size())
        return FailWithLastError();
    buffer.resize(length);
    Text text = win32::FromWide(buffer.c_str(), buffer.size());
    // The system answers in its own long-path form: "\\?\C:\..." or "\\?\UNC\server\...".
    if (text.starts_with(u"\\\\?\\UNC\\"))
        text = u"\\\\" + text.substr(8);
    else if (text.starts_with(u"\\\\?\\"))
        text = text.substr(4);
    resolved = text;
    return true;
}

bool GetFileStamp(const Text& path, FileStamp& stamp) {
    if (!CheckName(path))
        return false;
    ScopedHandle file(OpenForInformation(path));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &info))
        return FailWithLastError();
    constexpr int64_t kTicksPerSecond = 10000000;
    const int64_t ticks = static_cast<int64_t>(
        SizeOf(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    stamp.modifiedSeconds = win32::UnixTimeOf(info.ftLastWriteTime);
    stamp.modifiedNanoseconds = ticks % kTicksPerSecond * 100;
    stamp.size = SizeOf(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.device = info.dwVolumeSerialNumber;
    stamp.inode = SizeOf(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.settled = win32::UnixTimeOf(now) - stamp.modifiedSeconds >= 2;
    return true;
}

bool CreateFolder(const Text& path) {
    return CheckName(path) &&
           (CreateDirectoryW(SystemPath(path).c_str(), nullptr) || FailWithLastError());
}

bool CreateFolderAndParents(const Text& path) {
    if (!CheckName(path))
        return false;
    if (path.empty()) {
        SetLastErrorCode(ERROR_INVALID_NAME);
        return false;
    }
    const DWORD attributes = GetFileAttributesW(SystemPath(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return true;
        SetLastErrorCode(ErrorCodeOf(ErrorKind::kNotAFolder));
        return false;
    }
    return MakeFolderAndParents(WithoutTrailingSeparators(path));
}

Text CreateUniqueFolder(const Text& parent, const Text& prefix) {
    if (!CheckName(parent) || !CheckName(prefix))
        return {};
    static constexpr char16_t kLetters[] =
        u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random{std::random_device{}()};
    const Text base =
        parent + (parent.empty() || IsPathSeparator(parent.back()) ? u"" : u"\\") + prefix;
    // Made in one step: a name another process took first fails with "already exists" and
    // the next name is tried. The folder inherits the parent's permissions; the program's
    // parents are the user's own profile folders, which only the user can read.
    for (int attempt = 0; attempt < 100; ++attempt) {
        Text path = base;
        for (int i = 0; i < 6; ++i)
            path += kLetters[random() % (sizeof kLetters / sizeof kLetters[0] - 1)];
        if (CreateDirectoryW(SystemPath(path).c_str(), nullptr))
            return path + u'\\';
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            FailWithLastError();
            return {};
        }
    }
    SetLastErrorCode(ERROR_ALREADY_EXISTS);
    return {};
}

bool RemoveFolder(const Text& path) {
    return CheckName(path) && (RemoveDirectoryW(SystemPath(path).c_str()) || FailWithLastError());
}

bool DeleteFile(const Text& path) {
    return CheckName(path) && (DeleteFileW(SystemPath(path).c_str()) || FailWithLastError());
}

bool RenameFile(const Text& from, const Text& to) {
    // Within one volume the system replaces the target in one step.
    return CheckName(from) && CheckName(to) &&
           (MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(),
                        MOVEFILE_REPLACE_EXISTING) ||
            FailWithLastError());
}

bool ExchangeFiles(const Text& first, const Text& second) {
    // Windows has no atomic swap of two names; callers fall back to replacing.
    if (!CheckName(first) || !CheckName(second))
        return false;
    SetLastErrorCode(ERROR_NOT_SUPPORTED);
    return false;
}

bool ListDirectory(const Text& folder, std::vector<DirectoryEntry>& entries) {
    if (!CheckName(folder))
        return false;
    const Text pattern =
        folder + (folder.empty() || IsPathSeparator(folder.back()) ? u"*" : u"\\*");
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(SystemPath(pattern).c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return FailWithLastError();
    const Text base = folder.empty() || IsPathSeparator(folder.back()) ? folder : folder + u'\\';
    do {
        DirectoryEntry entry;
        entry.name = win32::FromWide(found.cFileName);
        entry.isHidden = (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        entry.isSymlink = IsLink(found.dwFileAttributes);
        // A link is described by the file it points to, but never as a folder: a walk that
        // descends into folders must not leave the tree through a link.
        entry.isFolder = !entry.isSymlink && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
        entry.size = entry.isFolder ? 0 : SizeOf(found.nFileSizeHigh, found.nFileSizeLow);
        entry.lastWriteTime = win32::UnixTimeOf(found.ftLastWriteTime);
        if (FileAttributes target;
            entry.isSymlink && GetFileAttributes(base + entry.name, target) && !target.isFolder) {
            entry.size = target.size;
            entry.lastWriteTime = target.lastWriteTime;
        }
        entries.push_back(std::move(entry));
    } while (FindNextFileW(search, &found));
    const DWORD error = ::GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) {
        SetLastErrorCode(static_cast<int>(error));
        return false;
    }
    return true;
}

bool SetCurrentDirectory(const Text& path) {
    return CheckName(path) && (SetCurrentDirectoryW(Wide(path)) || FailWithLastError());
}

Text GetCurrentDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) {
            FailWithLastError();
            return {};
        }
        if (length < buffer.size())
            return win32::FromWide(buffer.data(), length);
        buffer.resize(length);
    }
}

}  // namespace zem
