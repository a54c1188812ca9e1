#include "import/run_summary.h"

#include "config/global.h"

namespace zem {

void ImportRunSummary::NoteSkipped(const Text& title, const Text& reason) {
    skippedLines_.push_back(FormatText(u"Import ynote, skipped note \"%1\": %2", title, reason));
}

void ImportRunSummary::NoteConflict(const Text& title) {
    conflictLines_.push_back(FormatText(
        u"Import ynote, conflict on note \"%1\": it changed in YNote and its document changed "
        u"in the knowledge base; the document was left as it is",
        title));
}

Text ImportRunSummary::CountsText(int32_t walked) const {
    const Text skipped = IntToText(static_cast<int32_t>(skippedLines_.size()));
    if (!onlyChanges_)
        return FormatText(u"%1 notes walked, %2 imported, %3 skipped", IntToText(walked),
                          IntToText(imported_), skipped);
    return FormatText(u"%1 notes walked, %2 new, %3 updated, ", IntToText(walked),
                      IntToText(imported_), IntToText(updated_)) +
           FormatText(u"%1 unchanged, %2 conflicts, %3 skipped; ", IntToText(unchanged_),
                      IntToText(static_cast<int32_t>(conflictLines_.size())), skipped) +
           (gone_ < 0 ? Text(u"kept: ")
                      : FormatText(u"kept: %1 documents whose notes are gone from the account, ",
                                   IntToText(gone_))) +
           FormatText(u"%1 attachments gone from their notes", IntToText(attachmentsGone_));
}

Text ImportRunSummary::Finish(RunEnd end, int32_t walked) {
    static constexpr const char16_t* kEndWords[] = {u"stopped", u"cancelled", u"completed"};
    TextList lines = remarks_;
    lines.insert(lines.end(), conflictLines_.begin(), conflictLines_.end());
    lines.insert(lines.end(), skippedLines_.begin(), skippedLines_.end());
    if (walkBroken_)
        lines.push_back(FormatText(
            u"Import ynote, the note list could not be read beyond note %1; later notes were "
            u"not imported",
            IntToText(walked)));
    lines.push_back(FormatText(u"Import ynote %1: ", kEndWords[int(end)]) + CountsText(walked));
    for (const Text& line : lines)
        GetGlobal().WriteLog(line);
    return JoinTexts(lines, u"\n");
}

}  // namespace zem
