#include "platform/ui/message_queue.h"

#include <algorithm>
#include <deque>

#include "platform/ui/dialog.h"
#include "platform/ui/toolkit.h"

namespace zem::ui {

namespace {

struct PostedMessage {
    enum Kind { kCommand, kSysCommand, kQuit } kind;
    Dialog* dialog;
    uint32_t value;
};

std::deque<PostedMessage>& Queue() {
    static std::deque<PostedMessage> queue;
    return queue;
}

}  // namespace

void PostCommand(Dialog& dialog, int id) {
    Queue().push_back({PostedMessage::kCommand, &dialog, static_cast<uint32_t>(id)});
}

void PostSysCommand(Dialog& dialog, uint32_t command) {
    Queue().push_back({PostedMessage::kSysCommand, &dialog, command});
}

void DiscardPostedMessages(Dialog& dialog) {
    std::erase_if(Queue(), [&](const PostedMessage& m) { return m.dialog == &dialog; });
}

void PostQuitMessage(int exitCode) {
    Queue().push_back({PostedMessage::kQuit, nullptr, static_cast<uint32_t>(exitCode)});
}

bool IsQuitPending() {
    for (const PostedMessage& m : Queue())
        if (m.kind == PostedMessage::kQuit)
            return true;
    return false;
}

int PendingQuitCode() {
    for (const PostedMessage& m : Queue())
        if (m.kind == PostedMessage::kQuit)
            return static_cast<int>(m.value);
    return 0;
}

bool TakeQuitMessage() {
    auto& queue = Queue();
    auto quit = std::find_if(queue.begin(), queue.end(),
                             [](const PostedMessage& m) { return m.kind == PostedMessage::kQuit; });
    if (quit == queue.end())
        return false;
    queue.erase(quit);
    return true;
}

bool HasPostedMessages() {
    return !Queue().empty();
}

void DispatchPostedMessages() {
    auto& queue = Queue();
    while (!queue.empty() && queue.front().kind != PostedMessage::kQuit) {
        PostedMessage message = queue.front();
        queue.pop_front();
        if (message.kind == PostedMessage::kCommand)
            message.dialog->ExecuteCommand(static_cast<int>(message.value));
        else
            message.dialog->SendSysCommand(message.value);
    }
}

void PumpMessages() {
    if (IsQuitPending())
        return;
    CurrentToolkit().Pump();
    DispatchPostedMessages();
}

}  // namespace zem::ui
