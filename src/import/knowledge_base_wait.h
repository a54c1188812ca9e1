// Host calls kept out by another program that holds the knowledge base: each is tried again
// for up to a minute, while the status line says what the import waits for and the window
// stays alive; then the call's busy status is given back and the wait counts as given up.
// Made for one import run; user-interface thread only.
//
// ZEM_KB_BUSY_WAIT_SECONDS, when set to a whole number of seconds, replaces the minute (the
// tests use it to give up sooner).
#pragma once

#include <cstdint>
#include <functional>

#include "import/import_dialog_surface.h"

namespace zem {

class KnowledgeBaseWait {
  public:
    explicit KnowledgeBaseWait(ImportDialogSurface& dialog);

    // Runs `call` until it gives something other than ZEM_E_KNOWLEDGE_BASE_BUSY, the wait
    // runs out or the user cancels; its last status. The status line shows `status` again
    // after a wait.
    HRESULT Call(const std::function<HRESULT()>& call, const Text& status);
    // A wait ran out: the knowledge base stayed busy for the whole of it.
    bool GaveUp() const { return gaveUp_; }

  private:
    ImportDialogSurface& dialog_;
    uint32_t limitMilliseconds_;
    bool gaveUp_ = false;
};

// `call` through `wait`, or directly when there is none.
inline HRESULT CallWaiting(KnowledgeBaseWait* wait, const std::function<HRESULT()>& call) {
    return wait ? wait->Call(call, Text()) : call();
}

}  // namespace zem
