// The working folder of one import run and the files the run writes there.
//
// Each run works in a folder of its own inside the import folder, named after its process id
// and six random characters and made in one step, so that runs started at the same moment by
// one user (two accounts at once, or one account into two knowledge bases) never share a
// file. The folder holds the database's working copy, a lock file the run holds while it
// lives, and the notes folder with each note's HTML file and resource and attachment copies.
// A note's files are given up once the note is done (kept as spares for later notes to
// write over, see reusable_files.h) and the whole folder is removed when the object ends;
// with "keep" (the "/Debug" switch) everything stays for inspection, and later runs
// leave it alone.
//
// Before making its own folder, a run removes the folders of earlier runs that ended without
// removing theirs (a killed process): folders whose lock file nobody holds and whose process
// id names no running process. A live run's folder is never touched, whichever check fails.
//
// Owned by one run; user-interface thread only, but for NoteSlotFolder, GiveUpFiles and the
// reusable files, which any thread may use.
#pragma once

#include <memory>

#include "import/reusable_files.h"
#include "platform/file_lock.h"
#include "util/text_helpers.h"

namespace zem {

class ImportWorkingFiles {
  public:
    // Makes the run's folder inside `importFolder` (made when missing); Ready() tells whether
    // that worked (the failure is logged).
    ImportWorkingFiles(const Text& importFolder, bool keep);
    ~ImportWorkingFiles();
    ImportWorkingFiles(const ImportWorkingFiles&) = delete;
    ImportWorkingFiles& operator=(const ImportWorkingFiles&) = delete;

    bool Ready() const { return lock_.IsHeld(); }
    // Where the working copy of the YNote database goes (SQLite puts its journals beside it).
    Text DatabaseCopyPath() const;
    // Where notes' files are written, ending with "/"; made by the constructor.
    const Text& NotesFolder() const { return notesFolder_; }

    // The folder of the notes given `slot` (notes folder + its number + "/"): notes prepared
    // at the same time have different slots, so that their files of the same names never
    // meet. Made by whoever writes into it first; any thread. With "keep", the notes folder
    // itself, where the files stay as the notes left them one after another.
    Text NoteSlotFolder(size_t slot) const;
    bool KeepsFiles() const { return keep_; }

    // Gives up the files of a note, with the folders made for them below `within` (the notes
    // folder when empty), which stays; empties the list. Any thread.
    void GiveUpFiles(TextList& files, const Text& within = {}) const;
    // Where a note's files come from before they are written; null with "keep", where
    // every note's files stay as they were written.
    ReusableFiles* Reusable() { return reusable_.get(); }

  private:
    Text runFolder_;
    Text notesFolder_;
    bool keep_;
    FileLock lock_;
    std::unique_ptr<ReusableFiles> reusable_;
};

}  // namespace zem
