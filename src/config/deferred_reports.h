// Log lines and messages made on a worker thread on behalf of the user-interface thread,
// kept there to be given out later, in order, at the point where the same work done on the
// user-interface thread would have given them.
//
// The import reads a note's account rows and writes its working files ahead, on a thread of
// its own; what that work has to say belongs among the lines of the note it was done for,
// and a message box can only be shown by the user-interface thread.
//
// A DeferredReports is filled on one thread (while a Capture of it lives there) and replayed
// on another, never at the same time; the hand-over between the threads must order them.
#pragma once

#include <vector>

#include "platform/text.h"

namespace zem {

class DeferredReports {
  public:
    // While alive, the log lines (IZemGlobal::WriteLog) and messages (ShowMessage*) of the
    // thread it was made on go into `reports` instead of the log and the screen. Captures
    // do not nest.
    class Capture {
      public:
        explicit Capture(DeferredReports& reports);
        ~Capture();
        Capture(const Capture&) = delete;
        Capture& operator=(const Capture&) = delete;
    };

    // The kept lines written and messages shown, in the order they were made; none is kept
    // afterwards. User-interface thread.
    void Replay();

    // Called by the log and the message functions on a capturing thread.
    void AddLogLine(TextView line) { reports_.push_back({Kind::kLogLine, 0, Text(line)}); }
    void AddMessageText(const Text& text) { reports_.push_back({Kind::kMessageText, 0, text}); }
    void AddMessageId(int id) { reports_.push_back({Kind::kMessageId, id, {}}); }
    void AddMessageIdArg(int id, const Text& argument) {
        reports_.push_back({Kind::kMessageIdArg, id, argument});
    }

  private:
    enum class Kind { kLogLine, kMessageText, kMessageId, kMessageIdArg };
    struct Report {
        Kind kind;
        int id;
        Text text;
    };
    std::vector<Report> reports_;
};

// The reports the calling thread captures into, or null.
DeferredReports* CapturingReports();

}  // namespace zem
