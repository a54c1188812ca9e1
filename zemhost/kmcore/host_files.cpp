#include "host_files.h"

#include <errno.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/system_info.h"

namespace zem::kmcore {

namespace {

// A short name of its own in the target's folder: the rename stays within one file system,
// and a target whose name is at the length limit still gets a temporary file.
Text TemporaryNameFor(const Text& target) {
    static std::atomic<unsigned> counter{0};
    const std::string name =
        ".zem-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + ".part";
    return FolderOf(target) + FromUtf8(name);
}

// Moves the finished temporary file into the target's place. A file already there is swapped
// with it and then removed, rather than renamed over (why: docs/PERFORMANCE.md, "Storage
// speed-ups"); the swap is just as atomic.
bool Replace(const Text& temporary, const Text& target) {
    if (IsRegularFile(target) && ExchangeFiles(temporary, target)) {
        DeleteFile(temporary);
        return true;
    }
    return RenameFile(temporary, target);
}

// Flushes (to disk when the file was opened in commit mode), closes and moves the temporary
// file into the target's place.
bool Commit(FileStream& file, const Text& temporary, const Text& target) {
    const bool written = file.Flush() && file.Close();
    if (written && Replace(temporary, target))
        return true;
    file.Close();
    DeleteFile(temporary);
    return false;
}

}  // namespace

bool IsRegularFile(const Text& path) {
    FileAttributes attributes;
    return GetFileAttributes(path, attributes) && !attributes.isFolder;
}

bool IsFolder(const Text& path) {
    FileAttributes attributes;
    return GetFileAttributes(path, attributes) && attributes.isFolder;
}

bool ReadFileBytes(const Text& path, std::string& bytes) {
    bytes.clear();
    if (!IsRegularFile(path))
        return false;
    FileStream file;
    if (!file.Open(path, "rb"))
        return false;
    const int64_t size = file.Size();
    if (size < 0)
        return false;
    bytes.resize(static_cast<size_t>(size));
    return file.Read(bytes.data(), bytes.size()) == bytes.size();
}

bool WriteFileAtomically(const Text& path, std::string_view bytes, Sync sync) {
    const Text temporary = TemporaryNameFor(path);
    FileStream file;
    if (!file.Open(temporary, sync == Sync::kToDisk ? "wbc" : "wb"))
        return false;
    if (file.Write(bytes.data(), bytes.size()) != bytes.size()) {
        file.Close();
        DeleteFile(temporary);
        return false;
    }
    return Commit(file, temporary, path);
}

bool WriteNewOrReplaceFile(const Text& path, std::string_view bytes) {
    FileStream file;
    if (!file.Open(path, "wbx"))
        return GetLastErrorCode() == EEXIST && WriteFileAtomically(path, bytes);
    const bool written = file.Write(bytes.data(), bytes.size()) == bytes.size();
    if (file.Close() && written)
        return true;
    DeleteFile(path);
    return false;
}

bool WriteFileFillingEmpty(const Text& path, std::string_view bytes) {
    FileAttributes attributes;
    if (!GetFileAttributes(path, attributes) || attributes.isFolder || attributes.isSymlink ||
        attributes.size != 0)
        return WriteFileAtomically(path, bytes);
    FileStream file;
    // Opened as it is, not truncated (docs/PERFORMANCE.md, "Storage speed-ups").
    if (!file.OpenAlways(path))
        return WriteFileAtomically(path, bytes);
    const bool written = file.Write(bytes.data(), bytes.size()) == bytes.size();
    if (file.Close() && written)
        return true;
    FileStream().Open(path, "wb");
    return false;
}

bool CreateEmptyFile(const Text& path) {
    FileStream file;
    return file.Open(path, "wb") && file.Close();
}

bool CopyFileAtomically(const Text& source, const Text& target, uint64_t* size) {
    if (!IsRegularFile(source))
        return false;
    FileStream in;
    if (!in.Open(source, "rb"))
        return false;
    const Text temporary = TemporaryNameFor(target);
    FileStream out;
    if (!out.Open(temporary, "wb"))
        return false;
    // The copy is complete when it holds as many bytes as the source's status reports.
    const int64_t expected = in.Size();
    if (expected < 0 || out.CopyFrom(in, expected) != expected) {
        out.Close();
        DeleteFile(temporary);
        return false;
    }
    if (size)
        *size = static_cast<uint64_t>(expected);
    return Commit(out, temporary, target);
}

bool MakeNewFolder(const Text& folder) {
    return CreateFolder(folder) || CreateFolderTree(folder);
}

void RemoveObjectFolder(const Text& folder) {
    const Text parent = WithClosingSlash(folder);
    std::vector<DirectoryEntry> entries;
    ListDirectory(parent, entries);
    for (const DirectoryEntry& entry : entries) {
        if (entry.name == u"." || entry.name == u"..")
            continue;
        if (entry.isFolder)
            RemoveObjectFolder(parent + entry.name);
        else
            DeleteFile(parent + entry.name);
    }
    RemoveFolder(folder);
}

Text FolderOf(const Text& path) {
    const size_t slash = path.rfind(u'/');
    return slash == Text::npos ? Text() : path.substr(0, slash + 1);
}

Text FileNameOf(const Text& path) {
    const size_t slash = path.rfind(u'/');
    return slash == Text::npos ? path : path.substr(slash + 1);
}

Text AbsolutePath(const Text& path) {
    if (path.empty() || path[0] == u'/')
        return path;
    return WithClosingSlash(GetCurrentDirectory()) + path;
}

Text WithClosingSlash(Text folder) {
    if (!folder.empty() && folder.back() != u'/' && folder.back() != u'\\')
        folder += u'/';
    return folder;
}

}  // namespace zem::kmcore
