#include <windows.h>

#include <filesystem>

#include "platform/win32/isolation_registry.h"
#include "support/environment.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "support/wide_text.h"

namespace zem::test {

namespace {

std::string g_home;
std::wstring g_registryKey;  // under the real HKEY_CURRENT_USER

constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// "/work/build/bin" as Wine shows the Unix file system to a Windows program: drive Z:.
std::string WindowsPath(std::string path) {
    if (path.starts_with("/"))
        path = "Z:" + path;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

bool WriteShellFolder(HKEY hive, const wchar_t* name, const std::string& folder) {
    std::filesystem::create_directories(Utf8Path(folder));
    HKEY key = nullptr;
    if (RegCreateKeyExW(hive, kShellFolders, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring value = Wide(folder);
    const LONG result =
        RegSetValueExW(key, name, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}  // namespace

const std::string& TestHome() {
    return g_home;
}

std::string BinDir() {
    return WindowsPath(ZEM_BIN_DIR);
}

bool EnterTestHome() {
    // Crashes end the process with their code instead of waiting on a dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        return false;
    std::wstring name;
    for (int attempt = 0;; ++attempt) {
        name =
            L"zem-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt);
        if (CreateDirectoryW((temp + name).c_str(), nullptr))
            break;
        if (GetLastError() != ERROR_ALREADY_EXISTS || attempt > 100)
            return false;
    }
    const std::string home = Utf8(temp + name);
    g_home = home;
    std::filesystem::create_directories(Utf8Path(home + "\\tmp"));
    SetEnv("TMP", home + "\\tmp");
    SetEnv("TEMP", home + "\\tmp");
    SetEnv("USERPROFILE", home);

    g_registryKey = L"Software\\ZemTests\\" + name;
    HKEY hive = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, g_registryKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &hive, nullptr) != ERROR_SUCCESS)
        return false;
    const bool folders = WriteShellFolder(hive, L"Personal", home + "\\Documents") &&
                         WriteShellFolder(hive, L"Local AppData", home + "\\AppData\\Local") &&
                         WriteShellFolder(hive, L"AppData", home + "\\AppData\\Roaming");
    RegCloseKey(hive);
    SetEnv("ZEM_REGISTRY", Utf8(g_registryKey));
    return folders && UseRegistryFromEnvironment();
}

void LeaveTestHome() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (GetEnv("ZEM_KEEP_TEST_HOME"))
        return;
    if (!g_registryKey.empty())
        RegDeleteTreeW(HKEY_CURRENT_USER, g_registryKey.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(Utf8Path(g_home), ignored);
}

}  // namespace zem::test
