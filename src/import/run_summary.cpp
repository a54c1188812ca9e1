#include "import/run_summary.h"

#include <utility>

#include "config/global.h"
#include "config/translations.h"

namespace zem {

namespace {

const char16_t* LossReason(ResourceLossReason reason) {
    switch (reason) {
        case ResourceLossReason::kUnsafePath:
            return u"its path leaves the storage folder";
        case ResourceLossReason::kMissing:
            return u"its file is missing";
        case ResourceLossReason::kOutsideStorage:
            return u"its file is a link that leads out of the storage folder";
        case ResourceLossReason::kNotRegularFile:
            return u"it is not a regular file (a folder, named pipe, device or socket)";
        case ResourceLossReason::kNotCopied:
            return u"its file could not be copied (%1)";
        case ResourceLossReason::kNotStored:
            return u"the knowledge base did not store it";
    }
    return u"";
}

}  // namespace

ImportRunSummary::Line ImportRunSummary::Phrase(const char16_t* format, const Line& a,
                                                const Line& b, const Line& c) {
    Text translated;
    Translate(GetTranslationTable(), format, translated);
    return {FormatText(format, a.logged, b.logged, c.logged),
            FormatText(translated, a.shown, b.shown, c.shown)};
}

void ImportRunSummary::Add(const Line& line) {
    GetGlobal().WriteLog(line.logged);
    shownLines_.push_back(line.shown);
}

bool ImportRunSummary::TakeNoteLost() {
    return std::exchange(noteLost_, false);
}

void ImportRunSummary::NoteImported(bool lost) {
    ++(lost ? withLosses_ : whole_);
}

void ImportRunSummary::NoteUpdated(bool lost) {
    ++updated_;
    NoteImported(lost);
}

void ImportRunSummary::NoteConflict(const Text& title) {
    ++conflicts_;
    noteLost_ = false;
    Add(
        Phrase(u"Import ynote, conflict on note \"%1\": it changed in YNote and its document "
               u"changed in the knowledge base; the document was left as it is",
               Verbatim(title)));
}

void ImportRunSummary::NoteSkipped(const Text& title, const char16_t* reason,
                                   const Text& argument) {
    ++skipped_;
    noteLost_ = false;
    Add(Phrase(u"Import ynote, skipped note \"%1\": %2", Verbatim(title),
               Phrase(reason, Verbatim(argument))));
}

void ImportRunSummary::NoteLost(const Text& title, const Line& what) {
    noteLost_ = true;
    Add(Phrase(u"Import ynote, note \"%1\" lost %2", Verbatim(title), what));
}

void ImportRunSummary::ResourcesLost(const Text& title, std::vector<ResourceLoss>& losses) {
    for (const ResourceLoss& loss : losses)
        NoteLost(title, Phrase(loss.attachment ? u"the attachment %1: %2" : u"the picture %1: %2",
                               Verbatim(loss.path),
                               Phrase(LossReason(loss.reason), Verbatim(loss.detail))));
    losses.clear();
}

void ImportRunSummary::TagsLost(const Text& title, const Text& tags) {
    NoteLost(title, Phrase(u"its tags %1: the knowledge base did not store them", Verbatim(tags)));
}

void ImportRunSummary::TagsNotRead(const Text& title, const Text& tagIds) {
    NoteLost(title,
             Phrase(u"its tags %1: they could not be read from the account", Verbatim(tagIds)));
}

void ImportRunSummary::AttachmentsNotRead(const Text& title) {
    NoteLost(title, Phrase(u"its attachments: they could not be read from the account"));
}

void ImportRunSummary::DatesLost(const Text& title) {
    NoteLost(title, Phrase(u"its dates: the knowledge base did not store them"));
}

void ImportRunSummary::SourceAddressLost(const Text& title, const Text& address) {
    NoteLost(title, Phrase(u"its source address %1: the knowledge base did not store it",
                           Verbatim(address)));
}

void ImportRunSummary::Notice(const char16_t* text, const Text& argument) {
    Add(Phrase(text, Verbatim(argument)));
}

void ImportRunSummary::NotebooksUnreadable(const char16_t* rootFolder) {
    if (std::exchange(notebooksUnreadableNoted_, true))
        return;
    Notice(
        u"Import ynote, the account's notebooks could not be read; its notes are imported "
        u"into the folder %1",
        rootFolder);
}

Text ImportRunSummary::Finish(RunEnd end, int32_t walked) {
    static constexpr const char16_t* kWalked[] = {u"Import ynote stopped: %1 notes walked, ",
                                                  u"Import ynote cancelled: %1 notes walked, ",
                                                  u"Import ynote completed: %1 notes walked, "};
    if (walkBroken_)
        Add(
            Phrase(u"Import ynote, the note list could not be read beyond note %1; later notes "
                   u"were not imported",
                   Verbatim(IntToText(walked))));
    const Line walkedPart = Phrase(kWalked[int(end)], Verbatim(IntToText(walked)));
    const Line countsPart = CountsPart();
    Add({walkedPart.logged + countsPart.logged, walkedPart.shown + countsPart.shown});
    return JoinTexts(shownLines_, u"\n");
}

ImportRunSummary::Line ImportRunSummary::CountsPart() const {
    if (!onlyChanges_)
        return Phrase(u"%1 imported, %2 imported with losses, %3 skipped",
                      Verbatim(IntToText(whole_)), Verbatim(IntToText(withLosses_)),
                      Verbatim(IntToText(skipped_)));
    const auto join = [](std::initializer_list<Line> parts) {
        Line joined;
        for (const Line& part : parts) {
            joined.logged += part.logged;
            joined.shown += part.shown;
        }
        return joined;
    };
    const int32_t fresh = whole_ + withLosses_ - updated_;
    return join(
        {Phrase(u"%1 new, %2 updated, %3 unchanged, ", Verbatim(IntToText(fresh)),
                Verbatim(IntToText(updated_)), Verbatim(IntToText(unchanged_))),
         Phrase(u"%1 conflicts, %2 with losses, %3 skipped; kept: ",
                Verbatim(IntToText(conflicts_)), Verbatim(IntToText(withLosses_)),
                Verbatim(IntToText(skipped_))),
         gone_ < 0 ? Line{}
                   : Phrase(u"%1 documents whose notes are gone from the account, ",
                            Verbatim(IntToText(gone_))),
         Phrase(u"%1 attachments gone from their notes", Verbatim(IntToText(attachmentsGone_)))});
}

Text ImportRunSummary::CompletionNote(const Text& logFile) const {
    if (AllArrivedWhole())
        return Text();
    Text note = u"\n";
    if (withLosses_ > 0)
        note += u"\n" +
                Phrase(u"Notes imported with losses: %1", Verbatim(IntToText(withLosses_))).shown;
    if (skipped_ > 0)
        note += u"\n" + Phrase(u"Notes skipped: %1", Verbatim(IntToText(skipped_))).shown;
    if (conflicts_ > 0)
        note += u"\n" + Phrase(
                            u"Notes left alone because their documents were changed in the "
                            u"knowledge base: %1",
                            Verbatim(IntToText(conflicts_)))
                            .shown;
    if (walkBroken_)
        note += u"\n" + Phrase(u"The note list could not be read to its end.").shown;
    return note + u"\n" + Phrase(u"The log file names each one:\n%1", Verbatim(logFile)).shown;
}

}  // namespace zem
