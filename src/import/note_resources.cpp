#include "import/note_resources.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "import/file_copy.h"
#include "import/ynote_reader.h"
#include "platform/code_pages.h"
#include "platform/files.h"
#include "util/paths.h"

namespace zem {

namespace {

constexpr TextView kForbiddenNameCharacters = u"/\"?:*|<>\r\n\t,%'";
// The longest file name, in bytes of its UTF-8 form, that Linux file systems take.

bool IsSeparator(char16_t c) {
    return c == u'/' || c == u'\\';
}

size_t LastPieceStart(const Text& path) {
    const size_t separator = path.find_last_of(u"/\\");
    return separator == Text::npos ? 0 : separator + 1;
}

// `name` with `suffix` put before the extension of its last piece, that piece's stem cut by
// whole characters where the piece would pass the file system's limit (a name that only
// passes it once numbered would otherwise never be written).
Text NameWithSuffix(const Text& name, const Text& suffix) {
    const size_t start = LastPieceStart(name);
    Text stem = name.substr(start);
    Text extension;
    const size_t dot = stem.rfind(u'.');
    if (dot != Text::npos && dot > 0) {
        extension = stem.substr(dot);
        stem.resize(dot);
    }
    Text ending = suffix + extension;
    if (FileNameLength(ending) >=
        kMaxFileNameLength) {  // no room for any stem: cut the end instead
        stem += ending;
        ending.clear();
    }
    const size_t room = kMaxFileNameLength - FileNameLength(ending);
    while (!stem.empty() && FileNameLength(stem) > room) {
        const bool pair = stem.size() >= 2 && (stem.back() & 0xFC00) == 0xDC00 &&
                          (stem[stem.size() - 2] & 0xFC00) == 0xD800;
        stem.resize(stem.size() - (pair ? 2 : 1));
    }
    return name.substr(0, start) + stem + ending;
}

// `name`, or "name (2).ext", "name (3).ext" ... when an earlier attachment of the same note
// took it, so that no copy overwrites another before the host has taken it.
Text MakeNameUnique(const Text& name, const std::vector<ResourceEntry>& taken) {
    auto isTaken = [&](const Text& candidate) {
        return std::any_of(taken.begin(), taken.end(),
                           [&](const ResourceEntry& e) { return e.fileName == candidate; });
    };
    Text candidate = NameWithSuffix(name, Text());
    for (int32_t n = 2; isTaken(candidate); ++n)
        candidate = NameWithSuffix(name, u" (" + IntToText(n) + u")");
    return candidate;
}

// The attachment's file name: the stored relative path after its first "\", readable (the knowledge
// base keeps the name as text) and sanitised; the resource id, sanitised, when the name was made
// only of forbidden characters (and "attachment" when that is no better). Empty when
// the path names a folder (ends with "\").
Text AttachmentFileName(const Text& storedRelativePath, const Text& resourceId) {
    size_t backslash = storedRelativePath.find(u'\\');
    Text name = ReadableText(backslash == Text::npos ? storedRelativePath
                                                     : storedRelativePath.substr(backslash + 1));
    if (name.empty())
        return name;
    SanitizeFileName(name);
    if (name.empty()) {
        name = resourceId;
        SanitizeFileName(name);
    }
    return name.empty() ? Text(u"attachment") : name;
}

}  // namespace

ResourceStore::ResourceStore(Text folder, bool hasResourceTables)
    : folder_(std::move(folder)), hasResourceTables_(hasResourceTables) {
    // An empty folder means paths relative to the current folder, where they are then read.
    if (ResolvePath(folder_.empty() ? GetCurrentDirectory() : folder_, realFolder_))
        AddTrailingSeparator(realFolder_);
}

void ResourceStore::PrepareFolder(const Text& folder) {
    if (reusable_)
        reusable_->ClaimFolder(folder);
    CreateFolderBelowRoot(folder);
}

bool ResourceStore::CopyResource(const Text& resourceId, const Text& storedRelativePath,
                                 bool attachment, const Text& target) {
    ResourceLoss loss{attachment, resourceId, storedRelativePath, ResourceLossReason::kMissing, {}};
    // The file the path really names, every link followed: it must lie inside the folder.
    Text source;
    if (!ResolvePath(folder_ + ToFileSystemPath(storedRelativePath), source)) {
        loss.reason = ResourceLossReason::kMissing;
    } else if (source + kPathSeparator == realFolder_) {
        loss.reason = ResourceLossReason::kNotRegularFile;
    } else if (realFolder_.empty() || !source.starts_with(realFolder_)) {
        loss.reason = ResourceLossReason::kOutsideStorage;
    } else {
        PrepareTarget(target);
        int64_t size = 0;
        if (CopyFileContents(source, target, &size)) {
            bytesCopied_ += size;
            return true;
        }
        const int error = GetLastErrorCode();
        FileAttributes attributes;
        if (!GetFileAttributes(source, attributes)) {
            loss.reason = ResourceLossReason::kMissing;
        } else if (!attributes.isRegularFile) {
            loss.reason = ResourceLossReason::kNotRegularFile;
        } else {
            loss.reason = ResourceLossReason::kNotCopied;
            loss.detail = SystemErrorText(error);
        }
    }
    losses_.push_back(std::move(loss));
    return false;
}

std::vector<ResourceLoss> ResourceStore::TakeLosses() {
    std::vector<ResourceLoss> taken;
    taken.swap(losses_);
    return taken;
}

Text ToFileSystemPath(TextView yNotePath) {
    Text path(yNotePath);
    std::replace(path.begin(), path.end(), u'\\', kPathSeparator);
    return path;
}

bool IsPathInsideFolder(TextView relativePath) {
    if (!relativePath.empty() && IsSeparator(relativePath.front()))
        return false;
#ifdef _WIN32
    // "C:\x" and "C:x" name a drive, "a:b" another stream of a file: never the folder's own.
    if (relativePath.find(u':') != TextView::npos)
        return false;
#endif
    size_t start = 0;
    while (start <= relativePath.size()) {
        size_t end = start;
        while (end < relativePath.size() && !IsSeparator(relativePath[end]))
            ++end;
        if (relativePath.substr(start, end - start) == u"..")
            return false;
        start = end + 1;
    }
    return true;
}

bool CollectInlineResources(IZemKMSQLiteDatabase* database, const Text& noteId,
                            const Text& importFolder, std::vector<ResourceEntry>& entries,
                            const std::vector<TextView>& page, ResourceStore& store,
                            bool inRowOrder) {
    if (!store.HasResourceTables())
        return true;
    auto recordset = RunQuery(
        database,
        InRowOrder(FormatText(kSqlSelectInlineResources, QuoteSqlText(noteId)), inRowOrder));
    if (!recordset)
        return false;
    while (HasCurrentRow(recordset.Get())) {
        Text resourceId = ReadFieldText(recordset.Get(), 0);
        Text storedRelativePath = ReadFieldText(recordset.Get(), 1);
        recordset->MoveNext();
        if (std::none_of(page.begin(), page.end(),
                         [&](TextView piece) { return piece.find(resourceId) != Text::npos; }))
            continue;
        // The copy's name goes into the page's links and so into the knowledge base, which
        // hold text: file-name bytes that are not UTF-8 take their readable form there.
        const Text copyName = ReadableText(storedRelativePath);
        if (!IsPathInsideFolder(storedRelativePath) || !IsPathInsideFolder(copyName)) {
            store.RecordLoss(
                {false, resourceId, storedRelativePath, ResourceLossReason::kUnsafePath, {}});
            continue;
        }
        const Text target = importFolder + ToFileSystemPath(copyName);
        store.PrepareFolder(GetFolderPart(target));
        if (store.CopyResource(resourceId, storedRelativePath, false, target))
            entries.push_back({resourceId, copyName, resourceId});
    }
    return true;
}

bool CollectAttachments(IZemKMSQLiteDatabase* database, const Text& noteId,
                        const Text& importFolder, std::vector<ResourceEntry>& entries,
                        ResourceStore& store, bool inRowOrder) {
    if (!store.HasResourceTables())
        return true;
    auto recordset = RunQuery(
        database, InRowOrder(FormatText(kSqlSelectAttachments, QuoteSqlText(noteId)), inRowOrder));
    if (!recordset)
        return false;
    // Names are unique among this call's attachments only: earlier entries of the caller's
    // list belong to files the host has already taken.
    std::vector<ResourceEntry> collected;
    for (; HasCurrentRow(recordset.Get()); recordset->MoveNext()) {
        Text resourceId = ReadFieldText(recordset.Get(), 0);
        Text storedRelativePath = ReadFieldText(recordset.Get(), 1);
        Text name = AttachmentFileName(storedRelativePath, resourceId);
        if (name.empty())
            continue;
        if (!IsPathInsideFolder(storedRelativePath) || !IsPathInsideFolder(name)) {
            store.RecordLoss(
                {true, resourceId, storedRelativePath, ResourceLossReason::kUnsafePath, {}});
            continue;
        }
        name = MakeNameUnique(name, collected);
        const Text target = importFolder + ToFileSystemPath(name);
        // A name that keeps a "\" lies in a subfolder of its own.
        store.PrepareFolder(GetFolderPart(target));
        if (store.CopyResource(resourceId, storedRelativePath, true, target))
            collected.push_back({resourceId, name, {}});
    }
    entries.insert(entries.end(), collected.begin(), collected.end());
    return true;
}

bool IsValidFileName(TextView name) {
    return name.size() <= 259 && name.find_first_of(kForbiddenNameCharacters) == TextView::npos;
}

void SanitizeFileName(Text& name) {
    if (IsValidFileName(name))
        return;
    if (name.size() >= 260) {
        const Text extension = GetExtension(name);
        const std::ptrdiff_t keep = 259 - static_cast<std::ptrdiff_t>(extension.size());
        name =
            keep > 0 ? name.substr(0, static_cast<size_t>(keep)) + extension : name.substr(0, 250);
    }
    for (char16_t c : kForbiddenNameCharacters)
        std::replace(name.begin(), name.end(), c, u'-');
    while (ReplaceAll(name, u"--", u"-") > 0) {
    }
    name = TrimTextStart(TrimTextEnd(name));
    const size_t first = name.find_first_not_of(u'-');
    name =
        first == Text::npos ? Text() : name.substr(first, name.find_last_not_of(u'-') + 1 - first);
}

}  // namespace zem
