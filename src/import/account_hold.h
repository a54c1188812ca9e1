// One import of a YNote account into a knowledge base at a time. Two runs of the same account
// at once (a double click, two terminals) would each find the other's new notes missing from
// the records of earlier imports and bring them in again; so a run holds the account, through
// the engine (IZemKMSourceAccountHold), from before it reads those records until it ends, and
// a second run waits for it with the status line saying so, as long as it takes or until the
// user cancels. An engine without holds imports as before, unheld.
//
// Owned by one import run, which releases the hold by destroying it after its documents are
// stored; user-interface thread only.
#pragma once

#include "host/zem_km_interfaces.h"
#include "import/import_dialog_surface.h"

namespace zem {

class ImportAccountHold {
  public:
    enum class Outcome {
        kHeld,           // at once
        kHeldAfterWait,  // once another run of the account had ended
        kUnheld,         // the engine keeps no holds; the run goes on without
        kCancelled,      // the user cancelled the wait
    };
    Outcome Take(IZemKMDatabase* host, const Text& account, ImportDialogSurface& dialog);

  private:
    ComPtr<IUnknown> hold_;
};

}  // namespace zem
