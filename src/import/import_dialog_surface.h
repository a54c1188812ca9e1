// What the import run needs of the window it runs in, and the user's answer to the question
// it may ask before it starts. The dialog implements ImportDialogSurface and lends it to one
// run at a time; every call comes on the user-interface thread.
#pragma once

#include <cstdint>

#include "host/zem_km_interfaces.h"

namespace zem {

// The user's answer when the knowledge base already holds documents from the account.
enum class ImportAgainChoice {
    kOnlyNewAndChanged,  // notes new or changed since; the others are left alone
    kEveryNote,          // every note again, as new documents
    kNothing,            // stop before anything is imported
};

// What the driver uses of the import dialog.
class ImportDialogSurface {
  public:
    virtual ~ImportDialogSurface() = default;
    // The host database, or null; not an added reference.
    virtual IZemKMDatabase* HostDatabase() = 0;
    // The engine library's SQLite factory, or null.
    virtual ZemKMCreateSQLiteDatabaseFunc SQLiteFactory() = 0;
    // The path field's text.
    virtual Text SourcePath() = 0;
    virtual void SetStatusText(const Text& text) = 0;
    virtual void SetProgressRange(int32_t high) = 0;  // low is 0
    virtual void SetProgressPosition(int32_t position) = 0;
    // Lets the window process what the user did; a pending quit stays queued.
    virtual void PumpMessages() = 0;
    // The user pressed Cancel or closed the window during the walk.
    virtual bool CancelRequested() = 0;
    // Asked before anything is imported when `documents` documents of the knowledge base
    // came from `account` in earlier imports.
    virtual ImportAgainChoice AskImportAgain(const Text& account, int32_t documents) = 0;
    // The run summary, printed for non-interactive runs (the log has it in any case).
    virtual void ShowRunSummary(const Text& summary) = 0;
    // Ends the dialog with the OK result.
    virtual void EndWithOk() = 0;
};

}  // namespace zem
