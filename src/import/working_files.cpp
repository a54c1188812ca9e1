#include "import/working_files.h"

#include <functional>
#include <set>
#include <vector>

#include "config/global.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "util/paths.h"
#include "util/text_file_writer.h"

namespace zem {

namespace {

constexpr char16_t kLockFileName[] = u"run.lock";
constexpr char16_t kDatabaseCopyName[] = u"ynote.db";
constexpr char16_t kNotesFolderName[] = u"notes/";
constexpr char16_t kSpareFolderName[] = u"spare/";
constexpr size_t kRandomPartLength = 6;  // what the unique-folder maker appends

// The process id in a run folder's name ("<id>-<six characters>"), or 0 when the name is not
// one a run makes.
uint32_t RunFolderProcessId(const Text& name) {
    const size_t dash = name.find(u'-');
    if (dash == 0 || dash == Text::npos || dash > 10 || name.size() != dash + 1 + kRandomPartLength)
        return 0;
    uint64_t id = 0;
    for (size_t i = 0; i < dash; ++i) {
        if (name[i] < u'0' || name[i] > u'9')
            return 0;
        id = id * 10 + (name[i] - u'0');
    }
    return id <= UINT32_MAX ? static_cast<uint32_t>(id) : 0;
}

// Removes the folders of runs that have ended. The lock is the reliable sign of a live run,
// also across process-id namespaces; the process id covers the moment between a folder's
// creation and its lock, and a reused id only delays the removal.
void RemoveEndedRunFolders(const Text& importFolder) {
    std::vector<DirectoryEntry> entries;
    if (!ListDirectory(importFolder, entries))
        return;
    for (const DirectoryEntry& entry : entries) {
        const uint32_t processId = RunFolderProcessId(entry.name);
        if (!entry.isFolder || processId == 0 || IsProcessRunning(processId))
            continue;
        const Text folder = importFolder + entry.name + kPathSeparator;
        FileLock lock;
        if (!lock.TryLockExisting(folder + kLockFileName))
            continue;  // held by a live run, or kept on purpose (no lock file)
        // Windows removes neither a file still open nor, until it is closed, its folder.
        lock.Release();
        RemoveFolderTree(folder);
        GetGlobal().WriteLog(
            FormatText(u"Import ynote, removed the working folder of an ended run: %1", folder));
    }
}

}  // namespace

ImportWorkingFiles::ImportWorkingFiles(const Text& importFolder, bool keep) : keep_(keep) {
    CreateFolderBelowRoot(importFolder);
    RemoveEndedRunFolders(importFolder);
    runFolder_ = CreateUniqueFolder(importFolder,
                                    IntToText(static_cast<int32_t>(GetCurrentProcessId())) + u"-");
    if (runFolder_.empty() || !lock_.CreateLocked(runFolder_ + kLockFileName) ||
        !CreateFolder(runFolder_ + ToNativeSeparators(kNotesFolderName))) {
        GetGlobal().WriteLog(
            FormatText(u"Import ynote, the working folder cannot be made in %1: %2", importFolder,
                       GetErrorText(GetLastErrorCode())));
        lock_.Release();
        if (!runFolder_.empty())
            RemoveFolderTree(runFolder_);
        runFolder_.clear();
        return;
    }
    notesFolder_ = runFolder_ + ToNativeSeparators(kNotesFolderName);
    if (!keep_)
        reusable_ =
            std::make_unique<ReusableFiles>(runFolder_ + ToNativeSeparators(kSpareFolderName));
}

ImportWorkingFiles::~ImportWorkingFiles() {
    if (runFolder_.empty())
        return;
    // The lock file is closed first: Windows removes neither a file still open nor, until it
    // is closed, its folder. Others leave the folder alone while this process lives.
    lock_.Release();
    if (keep_)
        DeleteFile(runFolder_ + kLockFileName);  // later runs leave a folder without one
    else
        RemoveFolderTree(runFolder_);
}

Text ImportWorkingFiles::DatabaseCopyPath() const {
    return runFolder_ + kDatabaseCopyName;
}

Text ImportWorkingFiles::NoteSlotFolder(size_t slot) const {
    return keep_ ? notesFolder_
                 : notesFolder_ + IntToText(static_cast<int32_t>(slot)) + kPathSeparator;
}

void ImportWorkingFiles::GiveUpFiles(TextList& files, const Text& within) const {
    // Without spares ("keep") the files stay for inspection.
    if (!reusable_) {
        files.clear();
        return;
    }
    const Text& top = within.empty() ? notesFolder_ : within;
    // The folders made for the files go too once the files are gone, deepest first.
    std::set<Text, std::greater<>> folders;
    for (const Text& file : files) {
        reusable_->Release(file);
        for (Text folder = GetFolderPart(file);
             folder.size() > top.size() && folder.starts_with(top);
             folder = GetParentFolder(folder))
            folders.insert(folder);
    }
    for (const Text& folder : folders)
        reusable_->ReleaseFolder(folder);
    files.clear();
}

}  // namespace zem
