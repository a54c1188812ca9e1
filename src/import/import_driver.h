// The whole YNote import, run from the import dialog's OK handler on the user-interface
// thread. The dialog lends the driver what it needs through ImportDialogSurface for the
// length of one run; the run owns everything else it creates and releases it on every path.
#pragma once

#include "import/import_dialog_surface.h"

namespace zem {

enum class ImportOutcome {
    kNotRun,     // no host database
    kStopped,    // a failure before the note walk; the dialog stays open
    kCancelled,  // the user stopped the walk
    kCompleted,  // every row walked and every note arrived whole, "Import completed" shown
    // Every row walked and "Import completed" shown, but notes were skipped or arrived with
    // losses, or the note list could not be read to its end.
    kCompletedWithGaps,
};

// One run. The walk pumps window messages through the dialog, so a second OK can arrive
// during it: the dialog, which alone knows it is running one, must not start another
// inside it.
ImportOutcome RunYNoteImport(ImportDialogSurface& dialog);

}  // namespace zem
