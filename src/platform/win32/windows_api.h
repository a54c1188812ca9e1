// The Windows headers, for the Windows backend of src/platform/ alone. The platform's own
// names (GetFileAttributes, DeleteFile, S_OK, GUID ...) live in namespace zem; the macros
// the Windows headers define under several of those names are removed here so that both can
// be used in one file, the system's through their W-suffixed or ::-qualified names.
#pragma once

#include <windows.h>
// After windows.h, and before its macros are removed below.
#include <knownfolders.h>
#include <lmcons.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>
#include <shlobj.h>

#undef CreateFolder
#undef DeleteFile
#undef GetCommandLine
#undef GetCurrentDirectory
#undef GetFileAttributes
#undef GetLongPathName
#undef GetUserName
#undef LoadLibrary
#undef SetCurrentDirectory
#undef Yield
#undef S_OK
#undef S_FALSE
#undef E_FAIL
#undef E_NOTIMPL
#undef E_NOINTERFACE
#undef E_POINTER
#undef E_OUTOFMEMORY
#undef E_INVALIDARG
#undef CLASS_E_CLASSNOTAVAILABLE
#undef VARIANT_TRUE
#undef VARIANT_FALSE

#include <string>
#include <utility>

#include "platform/last_error.h"
#include "platform/text.h"

namespace zem::win32 {

// "An operation is not supported on a directory", which older headers lack.
constexpr DWORD kErrorDirectoryNotSupported = 336;

// Program text as the wide strings the system takes: both are UTF-16.
inline const wchar_t* Wide(const Text& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline Text FromWide(const wchar_t* text) {
    return text ? Text(reinterpret_cast<const char16_t*>(text)) : Text();
}
inline Text FromWide(const wchar_t* text, size_t length) {
    return Text(reinterpret_cast<const char16_t*>(text), length);
}

// The path as the wide file calls take it. A path too long for the classic limit of 260
// characters is given in its "\\?\" form, made absolute and normalised first since that
// form turns the system's own normalisation off: files deep in a tree, or with long names,
// are read and written like any other.
std::wstring SystemPath(const Text& path);

// A path the system takes: false (last error ERROR_INVALID_NAME) when it holds a NUL
// character, which would silently name a different, shorter path.
bool CheckName(TextView path);

// Records GetLastError as the calling thread's last error and returns false.
bool FailWithLastError();

// Makes the key $ZEM_REGISTRY names stand in for HKEY_CURRENT_USER (isolation_registry.h),
// once, before the first use of the current user's hive: as on Linux, where the variable
// names the hive's file, each run can be given a hive of its own.
void UseRegistryOverride();

// Seconds since 1970-01-01 00:00 UTC of a file time (100 ns since 1601).
int64_t UnixTimeOf(const FILETIME& time);

// Closes a handle on destruction.
class ScopedHandle {
  public:
    explicit ScopedHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~ScopedHandle() {
        if (Valid())
            CloseHandle(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE Get() const { return handle_; }
    HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

  private:
    HANDLE handle_;
};

}  // namespace zem::win32
