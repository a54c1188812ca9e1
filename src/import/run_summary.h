// What one import run did with the notes it walked: which were skipped and why, and the
// counts. Written to the log and handed to the dialog at the end of the run. Owned by one
// run; user-interface thread only.
#pragma once

#include <cstdint>

#include "util/text_helpers.h"

namespace zem {

enum class RunEnd { kStopped, kCancelled, kCompleted };

class ImportRunSummary {
  public:
    void NoteImported() { ++imported_; }
    void NoteSkipped(const Text& title, const Text& reason);
    // The list of notes failed to advance, so the notes after it were never walked.
    void WalkBroken() { walkBroken_ = true; }
    // A failure the run went on past that concerns no single note; listed first.
    void Remark(const Text& line) { remarks_.push_back(line); }

    // The skipped-note lines and the closing line with the counts, each also written to the
    // log; joined by line feeds.
    Text Finish(RunEnd end, int32_t walked);

  private:
    int32_t imported_ = 0;
    bool walkBroken_ = false;
    TextList remarks_;
    TextList skippedLines_;
};

}  // namespace zem
