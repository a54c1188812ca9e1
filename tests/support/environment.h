// Environment variables of the test process, named and valued in UTF-8. Programs the test
// starts inherit them. On Windows both the system's environment block and the C runtime's
// copy are changed, so that getenv and GetEnvironmentVariableW agree.
#pragma once

#include <optional>
#include <string>

namespace zem::test {

void SetEnv(const std::string& name, const std::string& value);
void UnsetEnv(const std::string& name);
std::optional<std::string> GetEnv(const std::string& name);

// Sets (or, with a null value, clears) a variable for one scope and puts the old value back
// after.
class EnvOverride {
  public:
    EnvOverride(const char* name, const char* value);
    ~EnvOverride();
    EnvOverride(const EnvOverride&) = delete;
    EnvOverride& operator=(const EnvOverride&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace zem::test
