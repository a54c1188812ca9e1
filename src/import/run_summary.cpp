#include "import/run_summary.h"

#include "config/global.h"

namespace zem {

void ImportRunSummary::NoteSkipped(const Text& title, const Text& reason) {
    skippedLines_.push_back(FormatText(u"Import ynote, skipped note \"%1\": %2", title, reason));
}

Text ImportRunSummary::Finish(RunEnd end, int32_t walked) {
    static constexpr const char16_t* kEndWords[] = {u"stopped", u"cancelled", u"completed"};
    TextList lines = remarks_;
    lines.insert(lines.end(), skippedLines_.begin(), skippedLines_.end());
    if (walkBroken_)
        lines.push_back(FormatText(
            u"Import ynote, the note list could not be read beyond note %1; later notes were "
            u"not imported",
            IntToText(walked)));
    lines.push_back(
        FormatText(u"Import ynote %1: %2 notes walked, ", kEndWords[int(end)], IntToText(walked)) +
        FormatText(u"%1 imported, %2 skipped", IntToText(imported_),
                   IntToText(static_cast<int32_t>(skippedLines_.size()))));
    for (const Text& line : lines)
        GetGlobal().WriteLog(line);
    return JoinTexts(lines, u"\n");
}

}  // namespace zem
