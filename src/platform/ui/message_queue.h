// The thread's posted messages: commands posted to a dialog for its modal loop, and the
// quit request. Posted commands run in the order posted, from the modal loop or from
// PumpMessages; a pending quit is never taken by pumping, so it stays queued for the loop
// that owns it. User-interface thread only.
#pragma once

#include <cstdint>

namespace zem::ui {

class Dialog;

void PostCommand(Dialog& dialog, int id);
void PostSysCommand(Dialog& dialog, uint32_t command);
// Drops what is still posted to a dialog that goes away.
void DiscardPostedMessages(Dialog& dialog);

void PostQuitMessage(int exitCode);
bool IsQuitPending();
int PendingQuitCode();
// Removes the first pending quit (what the loop that owns it does); false when none waits.
bool TakeQuitMessage();

// Runs the posted commands in order; stops at a pending quit, which stays queued.
void DispatchPostedMessages();
bool HasPostedMessages();

// Lets the windows process what the user did (the toolkit's events, then the posted
// commands up to a pending quit) without blocking.
void PumpMessages();

}  // namespace zem::ui
