// What the window toolkit reports about itself, for code that runs with or without it.
#include <mutex>

#include "platform/system_info.h"

namespace zem {

namespace {

struct MenuFont {
    std::mutex lock;
    Text face = u"Sans";
};

MenuFont& State() {
    static MenuFont* state = new MenuFont();  // lives until the process ends
    return *state;
}

}  // namespace

Text GetMenuFontFace() {
    MenuFont& state = State();
    std::lock_guard lock(state.lock);
    return state.face;
}

void SetMenuFontFace(const Text& face) {
    MenuFont& state = State();
    std::lock_guard lock(state.lock);
    state.face = face.empty() ? Text(u"Sans") : face;
}

}  // namespace zem
