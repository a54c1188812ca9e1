// ZemKMControls.dll: the data-store chooser, asked when both a registered and a portable data
// store exist. On a terminal it asks the person; without one (a pipe, a service, a test) it
// keeps the registered store, the one the installation chose.
#include <iostream>
#include <string>

#include "host/zem_km_interfaces.h"
#include "platform/system_info.h"

namespace {

// Reads answers until one is usable; the end of input keeps the default.
const char16_t* AskOnTerminal(const char16_t* registered, const char16_t* portable) {
    std::cerr << "Two Zem data stores were found:\n"
              << "  1) registered: " << zem::ToUtf8(registered) << "\n"
              << "  2) portable:   " << zem::ToUtf8(portable) << "\n";
    for (;;) {
        std::cerr << "Which one should be used? [1]: " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer))
            return registered;
        const size_t first = answer.find_first_not_of(" \t\r");
        answer = first == std::string::npos ? "" : answer.substr(first, 1);
        if (answer.empty() || answer == "1")
            return registered;
        if (answer == "2")
            return portable;
    }
}

}  // namespace

ZEM_STDAPI ZemKMSelectDataStore(const char16_t* registeredStore, const char16_t* portableStore,
                                zem::BSTR* chosen) {
    if (!chosen)
        return zem::E_POINTER;
    const char16_t* registered = registeredStore ? registeredStore : u"";
    const char16_t* portable = portableStore ? portableStore : u"";
    const char16_t* answer =
        zem::IsInteractiveTerminal() ? AskOnTerminal(registered, portable) : registered;
    *chosen = zem::SysAllocString(answer);
    return zem::S_OK;
}
