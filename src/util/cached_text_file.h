// A text file that a caller reads again and again (the default style sheet, for every
// imported note): loaded with LoadTextFile, kept, and loaded again only when the file on disk
// changed (see FileStamp), so an edit applies from the next load on. One object per file
// read; one thread at a time.
#pragma once

#include "platform/files.h"
#include "platform/text.h"

namespace zem {

class CachedTextFile {
  public:
    // As LoadTextFile.
    bool Load(const Text& path, Text& text);

  private:
    bool cached_ = false;
    Text path_;
    FileStamp stamp_;
    Text text_;
};

}  // namespace zem
