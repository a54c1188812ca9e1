// Files of a stored document replaced together with the transaction that stores the
// document's other changes: a new page folder or attachment file is written beside the
// knowledge base's ("staged"), a row of the file_switch table naming it and its target is
// stored in the document's transaction, and once that commits the staged file takes the
// target's place and the row goes with the next transaction. A process killed before the
// commit leaves the old files and a staged file nobody names; one killed after it leaves the
// row, by which the next opening of the knowledge base completes the switch. So a document
// is either its old version whole or its new one, files included. A new document needs none
// of this: nothing names its files until its row is stored.
//
// Each connection stages in a folder of its own, staging/<owner>/, holding a locked file
// "lock" while the connection lives (the system lets go of it when the process ends, however
// it ends): the switches and staged files of a live owner are never touched by another. One
// StagedFiles per KnowledgeBase, used under its Call.
#pragma once

#include <sqlite3.h>

#include <memory>

#include "platform/file_lock.h"
#include "platform/text.h"

namespace zem::kmcore {

class StagedFiles {
  public:
    explicit StagedFiles(Text kbFolder) : kbFolder_(std::move(kbFolder)) {}
    // Removes the owner folder once no switch of its is left.
    ~StagedFiles();
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // A new path inside the owner folder (made, and locked, on first use), relative to the
    // knowledge-base folder; empty when the folder cannot be made.
    Text NewPath();
    // The owner folder, relative to the knowledge-base folder, ending with "/"; empty before
    // the first NewPath.
    const Text& Owner() const { return owner_; }
    // Rows of this owner may be left (they failed to be removed); the folder then stays for
    // the next opening of the knowledge base after this process ends.
    void KeepFolder() { keep_ = true; }

  private:
    Text kbFolder_;
    Text owner_;
    FileLock lock_;
    uint64_t count_ = 0;
    bool keep_ = false;
};

// Puts the staged file or folder (paths relative to the knowledge-base folder) in the
// target's place. May be done again, whatever step an earlier try stopped at: the staged
// path exists until the switch is made, and the target's old folder waits at the staged
// path + ".old" until removed.
void CompleteFileSwitch(const Text& kbFolder, const Text& target, const Text& staged);
// Removes what was staged and not switched.
void RemoveStaged(const Text& kbFolder, const Text& staged);

// Completes the switches of owners that ended without completing theirs, removes their
// rows and their folders (with what they staged for transactions that never committed).
// Owners alive are left alone. Run when the knowledge base is opened.
void RecoverFileSwitches(sqlite3* db, const Text& kbFolder);

}  // namespace zem::kmcore
