// The files one import run writes into the import folder (the database's working copy, each
// note's HTML file, resource and attachment copies). They are removed as soon as the run no
// longer needs them, and whatever is left when the object ends, together with the emptied
// subfolders; with "keep" (the "/Debug" switch) they all stay for inspection. The import
// folder itself always stays. Owned by one run; user-interface thread only.
#pragma once

#include "util/text_helpers.h"

namespace zem {

class ImportWorkingFiles {
  public:
    ImportWorkingFiles(Text importFolder, bool keep);
    ~ImportWorkingFiles();
    ImportWorkingFiles(const ImportWorkingFiles&) = delete;
    ImportWorkingFiles& operator=(const ImportWorkingFiles&) = delete;

    // A file the whole run needs (the database's working copy): removed when the object ends.
    void AddRunFile(const Text& path);
    // Files of one note: removed by RemoveNoteFiles.
    void AddNoteFile(const Text& path);
    void AddNoteFiles(const TextList& paths);
    void RemoveNoteFiles();

  private:
    Text importFolder_;
    bool keep_;
    TextList runFiles_;
    TextList noteFiles_;
};

}  // namespace zem
