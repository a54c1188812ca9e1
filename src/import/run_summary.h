// What one import run did with the notes it walked: which were skipped and why, what each
// imported note lost (a picture, an attachment, its tags, dates or source address), facts
// about the whole account, and the counts. Every line goes to the log in the program's own
// English words as it happens; the summary the user reads (printed for non-interactive
// runs) holds the same lines translated. Owned by one run; user-interface thread only.
#pragma once

#include <cstdint>

#include "import/resources.h"
#include "util/text_helpers.h"

namespace zem {

enum class RunEnd { kStopped, kCancelled, kCompleted };

class ImportRunSummary {
  public:
    // The note in hand arrived: whole, or with losses when any was recorded since the
    // previous note ended.
    void NoteImported();
    // `reason` is an English phrase, translated for the user; "%1" in it is `argument`.
    void NoteSkipped(const Text& title, const char16_t* reason, const Text& argument = {});
    void ResourceLost(const Text& title, const ResourceLoss& loss);
    void TagsLost(const Text& title, const Text& tags);
    // The note's tags (YNote tag ids) could not be read from the account.
    void TagsNotRead(const Text& title, const Text& tagIds);
    // The note's list of attachments could not be read from the account.
    void AttachmentsNotRead(const Text& title);
    void DatesLost(const Text& title);
    void SourceAddressLost(const Text& title, const Text& address);
    // A fact about the whole account, such as a missing table; "%1" in it is `argument`.
    void Notice(const char16_t* text, const Text& argument = {});
    // The list of notes failed to advance, so the notes after it were never walked.
    void WalkBroken() { walkBroken_ = true; }

    int32_t NotesWithLosses() const { return withLosses_; }
    int32_t NotesSkipped() const { return skipped_; }
    // Every walked note arrived whole and the walk reached the end of the list.
    bool AllArrivedWhole() const { return withLosses_ == 0 && skipped_ == 0 && !walkBroken_; }

    // Logs the closing lines (the broken walk, the counts) and gives every line of the run
    // in the user's language, joined by line feeds.
    Text Finish(RunEnd end, int32_t walked);
    // The lines the completion message adds when not every note arrived whole, in the
    // user's language; empty when all did.
    Text CompletionNote(const Text& logFile) const;

  private:
    struct Line {
        Text logged;  // English
        Text shown;   // translated
    };
    static Line Phrase(const char16_t* format, const Line& a = {}, const Line& b = {},
                       const Line& c = {});
    static Line Verbatim(const Text& text) { return {text, text}; }
    void Add(const Line& line);
    void NoteLost(const Text& title, const Line& what);

    int32_t whole_ = 0;
    int32_t withLosses_ = 0;
    int32_t skipped_ = 0;
    bool noteLost_ = false;
    bool walkBroken_ = false;
    TextList shownLines_;
};

}  // namespace zem
