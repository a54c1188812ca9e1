#include "support/test_display.h"

#include <windows.h>

namespace zem::test {

struct TestDisplay::Server {};

// Windows has one display per session; under Wine it is the X server the test runner starts
// the session on (scripts/windows-tests.sh), and without one no window can be made.
TestDisplay::TestDisplay() {
    if (GetSystemMetrics(SM_CXSCREEN) <= 0)
        missing_ = "the session has no display";
}

TestDisplay::~TestDisplay() = default;

std::map<std::string, std::string> TestDisplay::Environment() const {
    return {};
}

}  // namespace zem::test
