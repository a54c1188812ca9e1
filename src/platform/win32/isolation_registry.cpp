#include "platform/win32/isolation_registry.h"

#include <windows.h>

#include <string>

namespace zem {

bool UseRegistryFromEnvironment() {
    const DWORD size = GetEnvironmentVariableW(L"ZEM_REGISTRY", nullptr, 0);
    if (size <= 1)
        return true;
    std::wstring keyPath(size, L'\0');
    keyPath.resize(GetEnvironmentVariableW(L"ZEM_REGISTRY", keyPath.data(), size));
    if (keyPath.find_first_of(L":/") != std::wstring::npos)
        return false;
    // The key is named from the real hive: a second call (the test process's own, then the
    // registry's first use) must not nest the key inside itself.
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    // The override holds a handle of its own.
    const bool overridden = RegOverridePredefKey(HKEY_CURRENT_USER, key) == ERROR_SUCCESS;
    RegCloseKey(key);
    return overridden;
}

}  // namespace zem
