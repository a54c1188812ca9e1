#include "host_files.h"

#include <string>
#include <vector>

#include "platform/atomic_write.h"
#include "platform/file_stream.h"
#include "platform/files.h"

namespace zem::kmcore {

namespace {

// Flushes (to disk when the file was opened in commit mode), closes and moves the temporary
// file into the target's place.
bool Commit(FileStream& file, const Text& temporary, const Text& target) {
    const bool written = file.Flush() && file.Close();
    if (written && PutFileInPlace(temporary, target))
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

bool WriteNewOrOverwriteFile(const Text& path, std::string_view bytes) {
    FileStream file;
    if (!file.Open(path, "wbx")) {
        if (GetLastErrorKind() != ErrorKind::kAlreadyExists)
            return false;
        // Cut to its new length, never emptied first: ext4 writes back a file emptied by
        // truncation when it is closed.
        if (file.OpenExistingSoleFile(path)) {
            const auto size = static_cast<int64_t>(bytes.size());
            const bool written =
                file.Write(bytes.data(), bytes.size()) == bytes.size() && file.EnsureSize(size);
            if (file.Close() && written)
                return true;
        }
        return WriteFileAtomically(path, bytes);
    }
    const bool written = file.Write(bytes.data(), bytes.size()) == bytes.size();
    if (file.Close() && written)
        return true;
    DeleteFile(path);
    return false;
}

bool WriteFileFillingEmpty(const Text& path, std::string_view bytes) {
    FileAttributes attributes;
    if (!GetFileAttributes(path, attributes))
        return GetLastErrorKind() == ErrorKind::kNotFound ? WriteNewOrOverwriteFile(path, bytes)
                                                          : WriteFileAtomically(path, bytes);
    if (attributes.isFolder || attributes.isSymlink || attributes.size != 0)
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

bool CreateEmptyFileUnlessThere(const Text& path) {
    FileStream file;
    if (file.Open(path, "wbx"))
        return file.Close();
    return GetLastErrorKind() == ErrorKind::kAlreadyExists;
}

bool CopyFileAtomically(const Text& source, const Text& target, uint64_t* size) {
    if (!IsRegularFile(source))
        return false;
    FileStream in;
    if (!in.Open(source, "rb"))
        return false;
    const Text temporary = TemporaryFileBeside(target);
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
    return CreateFolder(folder) || CreateFolderAndParents(folder);
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
    const size_t slash = LastPathSeparator(path);
    return slash == Text::npos ? Text() : path.substr(0, slash + 1);
}

Text FileNameOf(const Text& path) {
    const size_t slash = LastPathSeparator(path);
    return slash == Text::npos ? path : path.substr(slash + 1);
}

Text AbsolutePath(const Text& path) {
    if (path.empty() || IsAbsolutePath(path))
        return path;
    return WithClosingSlash(GetCurrentDirectory()) + path;
}

Text WithClosingSlash(Text folder) {
    if (!folder.empty() && folder.back() != u'/' && folder.back() != u'\\')
        folder += kPathSeparator;
    return folder;
}

}  // namespace zem::kmcore
