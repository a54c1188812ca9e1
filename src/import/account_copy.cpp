#include "import/account_copy.h"

#include "config/global.h"
#include "import/file_copy.h"
#include "platform/database_journal.h"
#include "platform/files.h"

namespace zem {

bool IsReadableSource(const Text& path, ImportRunSummary& summary) {
    FileAttributes attributes;
    if (!GetFileAttributes(path, attributes))
        return false;
    if (attributes.isFolder || attributes.isRegularFile)
        return true;
    summary.Notice(
        u"Import ynote, %1 is not a regular file (a named pipe, device or socket); "
        u"it counts as missing",
        path);
    return false;
}

bool CopyAccountDatabase(const Text& sourcePath, const Text& workingCopy,
                         ImportRunSummary& summary) {
    if (!CopyFileContents(sourcePath, workingCopy))
        return false;
    bool rollbackJournal = false;
    for (const char16_t* suffix : {u"-wal", u"-journal"}) {
        const Text journal = sourcePath + suffix;
        FileAttributes attributes;
        if (!GetFileAttributes(journal, attributes))
            continue;
        if (!attributes.isRegularFile) {
            IsReadableSource(journal, summary);  // logged; the copy goes on without it
            continue;
        }
        if (!CopyFileContents(journal, workingCopy + suffix))
            return false;
        rollbackJournal = suffix == TextView(u"-journal");
    }
    if (rollbackJournal && !RollBackHotJournal(workingCopy))
        GetGlobal().WriteLog(FormatText(
            u"Import ynote, the rollback journal of %1 could not be played back", sourcePath));
    return true;
}

}  // namespace zem
