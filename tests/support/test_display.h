// A display for a test that opens real windows. Linux: an Xvfb server of the test's own on a
// free display, stopped when the object goes. Windows: the session's display. One thread.
#pragma once

#include <map>
#include <memory>
#include <string>

namespace zem::test {

class TestDisplay {
  public:
    TestDisplay();
    ~TestDisplay();
    TestDisplay(const TestDisplay&) = delete;
    TestDisplay& operator=(const TestDisplay&) = delete;

    // Why there is no display (the test is then skipped); empty when there is one.
    const std::string& Missing() const { return missing_; }
    // The environment a program started by the test needs to open its windows there.
    std::map<std::string, std::string> Environment() const;

  private:
    struct Server;
    std::unique_ptr<Server> server_;
    std::string missing_;
};

}  // namespace zem::test
