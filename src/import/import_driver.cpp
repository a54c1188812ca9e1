#include "import/import_driver.h"

namespace zem {

ImportOutcome RunYNoteImport(ImportDialogSurface& dialog) {
    if (!dialog.HostDatabase())
        return ImportOutcome::kNotRun;
    return ImportOutcome::kNotRun;
}

}  // namespace zem
