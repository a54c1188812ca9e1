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

    // A run that imports only the new and changed notes of an account imported before:
    // the closing line then tells new, updated, unchanged and conflicting notes apart, and
    // what stays in the knowledge base although the account no longer has it.
    void ImportingOnlyChanges() { onlyChanges_ = true; }
    void NoteUpdated() { ++updated_; }
    void NoteUnchanged() { ++unchanged_; }
    // Changed in YNote, and its document changed in the knowledge base: left alone.
    void NoteConflict(const Text& title);
    // Known only once the walk reached the end of the note list.
    void NotesGoneFromAccount(int32_t count) { gone_ = count; }
    void AttachmentsGoneFromNotes(int32_t count) { attachmentsGone_ += count; }
    // The list of notes failed to advance, so the notes after it were never walked.
    void WalkBroken() { walkBroken_ = true; }
    // A failure the run went on past that concerns no single note; listed first.
    void Remark(const Text& line) { remarks_.push_back(line); }

    // The skipped-note lines and the closing line with the counts, each also written to the
    // log; joined by line feeds.
    Text Finish(RunEnd end, int32_t walked);

  private:
    Text CountsText(int32_t walked) const;

    int32_t imported_ = 0;
    bool walkBroken_ = false;
    TextList remarks_;
    TextList skippedLines_;
    bool onlyChanges_ = false;
    int32_t updated_ = 0;
    int32_t unchanged_ = 0;
    int32_t gone_ = -1;  // not known
    int32_t attachmentsGone_ = 0;
    TextList conflictLines_;
};

}  // namespace zem
