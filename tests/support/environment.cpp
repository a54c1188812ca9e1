#include "support/environment.h"

#include <stdlib.h>

#ifdef _WIN32
#include <windows.h>

#include "support/wide_text.h"
#endif

namespace zem::test {

#ifdef _WIN32

void SetEnv(const std::string& name, const std::string& value) {
    const std::wstring wideName = Wide(name), wideValue = Wide(value);
    // The runtime cannot hold an empty value (it removes the variable instead); the system
    // block can, and programs started later see it there.
    _wputenv_s(wideName.c_str(), wideValue.c_str());
    if (value.empty())
        SetEnvironmentVariableW(wideName.c_str(), L"");
}

void UnsetEnv(const std::string& name) {
    const std::wstring wideName = Wide(name);
    _wputenv_s(wideName.c_str(), L"");
    SetEnvironmentVariableW(wideName.c_str(), nullptr);
}

std::optional<std::string> GetEnv(const std::string& name) {
    const std::wstring wideName = Wide(name);
    const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0)
        return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt
                                                        : std::optional<std::string>("");
    std::wstring value(size, L'\0');
    value.resize(GetEnvironmentVariableW(wideName.c_str(), value.data(), size));
    return Utf8(value);
}

#else

void SetEnv(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

void UnsetEnv(const std::string& name) {
    unsetenv(name.c_str());
}

std::optional<std::string> GetEnv(const std::string& name) {
    const char* value = getenv(name.c_str());
    return value ? std::optional<std::string>(value) : std::nullopt;
}

#endif

EnvOverride::EnvOverride(const char* name, const char* value) : name_(name), old_(GetEnv(name)) {
    if (value)
        SetEnv(name_, value);
    else
        UnsetEnv(name_);
}

EnvOverride::~EnvOverride() {
    if (old_)
        SetEnv(name_, *old_);
    else
        UnsetEnv(name_);
}

}  // namespace zem::test
