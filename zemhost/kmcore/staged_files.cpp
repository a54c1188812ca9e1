#include "staged_files.h"

#include <string>
#include <vector>

#include "host_files.h"
#include "knowledge_base.h"
#include "platform/files.h"

namespace zem::kmcore {

namespace {

constexpr char16_t kStagingFolder[] = u"staging/";
constexpr char16_t kLockName[] = u"lock";
constexpr char16_t kNewLockName[] = u"lock-new";
constexpr int kOwnerFolderAttempts = 3;
constexpr char16_t kRetiredSuffix[] = u".old";

bool Exists(const Text& path) {
    FileAttributes attributes;
    return GetFileAttributes(path, attributes);
}

// Removes a file or a folder with everything in it.
void RemovePath(const Text& path) {
    if (IsFolder(path))
        RemoveObjectFolder(path);
    else
        DeleteFile(path);
}

// Removes an owner's folder and lets its lock go. Windows cannot remove the lock file, and so
// the folder, while the lock holds it open: what the first pass leaves goes once it is let go.
void RemoveFolderAndLock(const Text& folder, FileLock& lock) {
    RemoveObjectFolder(folder);
    lock.Release();
    if (PathExists(folder))
        RemoveObjectFolder(folder);
}

// A new owner's folder under `staging`, with `lock` holding its "lock"; empty on failure.
// The lock is made under another name and then renamed: a connection that finds "lock" and
// can lock it knows that its owner had locked it and has ended.
Text CreateLockedOwnerFolder(const Text& staging, FileLock& lock) {
    const Text folder = CreateUniqueFolder(staging, u"o-");
    if (folder.empty())
        return {};
    if (lock.CreateLocked(folder + kNewLockName) &&
        RenameFile(folder + kNewLockName, folder + kLockName))
        return folder;
    lock.Release();
    RemoveObjectFolder(folder);
    return {};
}

// Takes the lock of an owner's folder that has no "lock": its owner either ended before
// making one, or is making one now. Holding "lock-new" (made here when missing) shuts a live
// owner out, whose own making of it then fails; "lock" still missing afterwards proves that
// the owner had not got as far as the rename.
bool TakeUnlockedOwnerFolder(const Text& folder, FileLock& lock) {
    const Text newLock = folder + kNewLockName;
    if (!lock.TryLockExisting(newLock) && !lock.CreateLocked(newLock))
        return false;
    if (!Exists(folder + kLockName))
        return true;
    lock.Release();
    return false;
}

Text WithoutClosingSlash(Text path) {
    while (!path.empty() && IsPathSeparator(path.back()))
        path.pop_back();
    return path;
}

// The owner's switches in the order they were stored; false when they cannot be read.
bool ReadSwitches(sqlite3* db, const Text& owner, std::vector<std::pair<Text, Text>>& switches) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT target, staged FROM file_switch WHERE owner = ?1 ORDER BY "
                           "rowid",
                           -1, &statement, nullptr) != SQLITE_OK)
        return false;
    const std::string key = ToUtf8(owner);
    sqlite3_bind_text(statement, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto text = [&](int column) {
            const auto* bytes =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            return bytes ? FromUtf8(bytes) : Text();
        };
        switches.emplace_back(text(0), text(1));
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
}

bool DeleteSwitches(sqlite3* db, const Text& owner) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "DELETE FROM file_switch WHERE owner = ?1", -1, &statement,
                           nullptr) != SQLITE_OK)
        return false;
    const std::string key = ToUtf8(owner);
    sqlite3_bind_text(statement, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
    const bool done = sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
    return done;
}

}  // namespace

StagedFiles::~StagedFiles() {
    if (owner_.empty() || keep_)
        return;
    // The lock goes last, so that no other connection takes the folder for an ended one's
    // while it is being removed.
    RemoveFolderAndLock(kbFolder_ + WithoutClosingSlash(owner_), lock_);
}

Text StagedFiles::NewPath() {
    if (owner_.empty()) {
        const Text staging = kbFolder_ + kStagingFolder;
        if (!CreateFolderAndParents(staging))
            return {};
        // A connection clearing away a folder whose owner seems to have ended before locking
        // it may take this one between its creation and its lock: another folder is made.
        Text folder;
        for (int attempt = 0; attempt < kOwnerFolderAttempts && folder.empty(); ++attempt)
            folder = CreateLockedOwnerFolder(staging, lock_);
        if (folder.empty())
            return {};
        // Stored in the switch rows, where an ended owner is looked up by its folder's name
        // with "/": the closing separator is "/" whatever the platform made.
        owner_ = WithoutClosingSlash(folder.substr(kbFolder_.size())) + u"/";
    }
    return owner_ + FromUtf8(std::to_string(++count_));
}

void CompleteFileSwitch(const Text& kbFolder, const Text& target, const Text& staged) {
    const Text from = kbFolder + staged;
    const Text to = WithoutClosingSlash(kbFolder + target);
    const Text retired = from + kRetiredSuffix;
    FileAttributes attributes;
    if (GetFileAttributes(from, attributes)) {
        if (!attributes.isFolder) {
            RenameFile(from, to);  // a file replaces its target in one step
            return;
        }
        if (Exists(to)) {
            if (Exists(retired))
                RemoveObjectFolder(retired);
            if (!RenameFile(to, retired))
                return;
        }
        if (!RenameFile(from, to))
            return;
    }
    if (Exists(retired))
        RemoveObjectFolder(retired);
}

void RemoveStaged(const Text& kbFolder, const Text& staged) {
    RemovePath(kbFolder + staged);
}

void RecoverFileSwitches(sqlite3* db, const Text& kbFolder) {
    const Text staging = kbFolder + kStagingFolder;
    std::vector<DirectoryEntry> entries;
    if (!ListDirectory(staging, entries))
        return;
    for (const DirectoryEntry& entry : entries) {
        if (!entry.isFolder || entry.name == u"." || entry.name == u"..")
            continue;
        const Text owner = Text(kStagingFolder) + entry.name + u"/";
        FileLock lock;
        if (!lock.TryLockExisting(kbFolder + owner + kLockName)) {
            // A held lock is a live owner's. A folder without one never held switches.
            if (Exists(kbFolder + owner + kLockName) ||
                !TakeUnlockedOwnerFolder(kbFolder + owner, lock))
                continue;
        }
        std::vector<std::pair<Text, Text>> switches;
        if (!ReadSwitches(db, owner, switches))
            continue;
        for (const auto& [target, staged] : switches)
            CompleteFileSwitch(kbFolder, target, staged);
        if (!switches.empty() && !DeleteSwitches(db, owner))
            continue;
        RemoveFolderAndLock(kbFolder + WithoutClosingSlash(owner), lock);
    }
}

}  // namespace zem::kmcore
