// What one import run did with the notes it walked: which were skipped and why, what each
// imported note lost (a picture, an attachment, its tags, dates or source address), facts
// about the whole account, and the counts. Every line goes to the log in the program's own
// English words as it happens; the summary the user reads (printed for non-interactive
// runs) holds the same lines translated. Owned by one run; user-interface thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "import/note_resources.h"
#include "util/text_helpers.h"

namespace zem {

enum class RunEnd { kStopped, kCancelled, kCompleted };

class ImportRunSummary {
  public:
    // Whether a loss was recorded since the previous note ended (for the note in hand);
    // the record starts again for the next note. A note is counted once its document is
    // stored, which may be after later notes were read.
    bool TakeNoteLost();
    // A note arrived: whole, or with losses (`lost`, as TakeNoteLost told for it).
    void NoteImported(bool lost);
    // `reason` is an English phrase, translated for the user; "%1" in it is `argument`.
    void NoteSkipped(const Text& title, const char16_t* reason, const Text& argument = {});
    // Each of `losses`, of the note titled `title`, which is emptied.
    void ResourcesLost(const Text& title, std::vector<ResourceLoss>& losses);
    void TagsLost(const Text& title, const Text& tags);
    // The note's tags (YNote tag ids) could not be read from the account.
    void TagsNotRead(const Text& title, const Text& tagIds);
    // The note's list of attachments could not be read from the account.
    void AttachmentsNotRead(const Text& title);
    void DatesLost(const Text& title);
    void SourceAddressLost(const Text& title, const Text& address);
    // A fact about the whole account, such as a missing table; "%1" in it is `argument`.
    void Notice(const char16_t* text, const Text& argument = {});
    // The account's notebooks could not be read, so its notes go into `rootFolder`; said
    // once a run however often it is told.
    void NotebooksUnreadable(const char16_t* rootFolder);
    // The list of notes failed to advance, so the notes after it were never walked.
    void WalkBroken() { walkBroken_ = true; }

    // A run that imports only the new and changed notes of an account imported before: the
    // closing line then tells new, updated, unchanged and conflicting notes apart, and what
    // stays in the knowledge base although the account no longer has it.
    void ImportingOnlyChanges() { onlyChanges_ = true; }
    // A note updated its document; counted as NoteImported counts.
    void NoteUpdated(bool lost);
    void NoteUnchanged() { ++unchanged_; }
    // Changed in YNote, and its document changed in the knowledge base: left alone.
    void NoteConflict(const Text& title);
    // Known only once the walk reached the end of the note list.
    void NotesGoneFromAccount(int32_t count) { gone_ = count; }
    void AttachmentsGoneFromNotes(int32_t count) { attachmentsGone_ += count; }

    int32_t NotesWithLosses() const { return withLosses_; }
    int32_t NotesSkipped() const { return skipped_; }
    // Every walked note arrived whole (or had nothing new) and the walk reached the end of
    // the list; a note left alone for a conflict did not arrive.
    bool AllArrivedWhole() const {
        return withLosses_ == 0 && skipped_ == 0 && conflicts_ == 0 && !walkBroken_;
    }

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
    Line CountsPart() const;

    int32_t whole_ = 0;
    int32_t withLosses_ = 0;
    int32_t skipped_ = 0;
    bool noteLost_ = false;
    bool walkBroken_ = false;
    bool notebooksUnreadableNoted_ = false;
    TextList shownLines_;
    bool onlyChanges_ = false;
    int32_t updated_ = 0;  // also counted in whole_ or withLosses_
    int32_t unchanged_ = 0;
    int32_t conflicts_ = 0;
    int32_t gone_ = -1;  // not known
    int32_t attachmentsGone_ = 0;
};

}  // namespace zem
