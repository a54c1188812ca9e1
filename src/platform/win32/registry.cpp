// The current user's registry hive: the system's own, HKEY_CURRENT_USER.
#include "platform/registry.h"

#include <mutex>

#include "platform/files.h"
#include "platform/win32/isolation_registry.h"
#include "platform/win32/windows_api.h"

namespace zem {

void win32::UseRegistryOverride() {
    static std::once_flag once;
    std::call_once(once, [] { UseRegistryFromEnvironment(); });
}

namespace {

// Reads one value of the key into `data` with its type; false when the key or value is
// missing.
bool QueryValue(const Text& keyPath, const Text& valueName, DWORD& type, std::string& data) {
    if (!win32::CheckName(keyPath) || !win32::CheckName(valueName))
        return false;
    win32::UseRegistryOverride();
    HKEY key;
    LSTATUS status =
        RegOpenKeyExW(HKEY_CURRENT_USER, win32::Wide(keyPath), 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS) {
        SetLastErrorCode(static_cast<int>(status));
        return false;
    }
    DWORD size = 0;
    status = RegQueryValueExW(key, win32::Wide(valueName), nullptr, &type, nullptr, &size);
    // The value may grow between the two calls; ask again with the size then reported.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        data.assign(size, '\0');
        status = RegQueryValueExW(key, win32::Wide(valueName), nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_SUCCESS) {
            data.resize(size);
            break;
        }
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        SetLastErrorCode(static_cast<int>(status));
        return false;
    }
    return true;
}

bool SetValue(const Text& keyPath, const Text& valueName, DWORD type, const void* data,
              DWORD size) {
    if (!win32::CheckName(keyPath) || !win32::CheckName(valueName))
        return false;
    win32::UseRegistryOverride();
    HKEY key;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, win32::Wide(keyPath), 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExW(key, win32::Wide(valueName), 0, type,
                                static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS) {
        SetLastErrorCode(static_cast<int>(status));
        return false;
    }
    return true;
}

}  // namespace

// There is no file: the hive is the system's.
Text GetRegistryFilePath() {
    return {};
}

bool RegistryReadText(const Text& keyPath, const Text& valueName, Text& value) {
    DWORD type = 0;
    std::string data;
    if (!QueryValue(keyPath, valueName, type, data))
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        SetLastErrorCode(ERROR_INVALID_DATATYPE);
        return false;
    }
    value.assign(data.size() / 2, u'\0');
    memcpy(value.data(), data.data(), value.size() * 2);
    // A stored string usually carries its closing NUL, and may carry more than one.
    while (!value.empty() && value.back() == u'\0')
        value.pop_back();
    return true;
}

bool RegistryReadDword(const Text& keyPath, const Text& valueName, uint32_t& value) {
    DWORD type = 0;
    std::string data;
    if (!QueryValue(keyPath, valueName, type, data))
        return false;
    if (type != REG_DWORD || data.size() != sizeof(uint32_t)) {
        SetLastErrorCode(ERROR_INVALID_DATATYPE);
        return false;
    }
    memcpy(&value, data.data(), sizeof value);
    return true;
}

bool RegistryWriteText(const Text& keyPath, const Text& valueName, const Text& value) {
    if (!win32::CheckName(value))
        return false;
    return SetValue(keyPath, valueName, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
}

bool RegistryWriteDword(const Text& keyPath, const Text& valueName, uint32_t value) {
    const DWORD data = value;
    return SetValue(keyPath, valueName, REG_DWORD, &data, sizeof data);
}

}  // namespace zem
