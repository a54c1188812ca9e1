#include "platform/dynamic_library.h"

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/win32/windows_api.h"

#include <winver.h>

namespace zem {

namespace {

thread_local Text t_libraryError;

void SetLibraryError(const Text& text, int code) {
    t_libraryError = text;
    SetLastErrorCode(code);
}

bool IsFile(const Text& path) {
    const DWORD attributes = GetFileAttributesW(win32::Wide(path));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Text ReadModuleFileName() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            win32::FailWithLastError();
            return {};
        }
        if (length < buffer.size())
            return win32::FromWide(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

LibraryHandle LoadLibrary(const Text& path) {
    if (!win32::CheckName(path)) {
        SetLibraryError(u"invalid library name", GetLastErrorCode());
        return nullptr;
    }
    if (path.empty()) {
        SetLibraryError(u"empty library name", ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // The system would search its own folders for a bare name; the program's own folder and
    // then the current directory are where the program's libraries live.
    Text full = path;
    if (LastPathSeparator(path) == Text::npos && path.find(u':') == Text::npos) {
        const Text executable = GetExecutablePath();
        const size_t separator = LastPathSeparator(executable);
        const Text inProgramFolder =
            separator == Text::npos ? Text() : executable.substr(0, separator + 1) + path;
        full =
            !inProgramFolder.empty() && IsFile(inProgramFolder) ? inProgramFolder : u".\\" + path;
    }
    // The library's own dependencies are looked for beside it first.
    HMODULE module = LoadLibraryExW(win32::Wide(full), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) {
        const int code = static_cast<int>(::GetLastError());
        SetLibraryError(full + u": " + ErrorCodeText(code), code);
    }
    return reinterpret_cast<LibraryHandle>(module);
}

void* GetProcAddress(LibraryHandle library, const char* name) {
    if (!library || !name) {
        SetLibraryError(u"no library or no export name", ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    FARPROC address = ::GetProcAddress(static_cast<HMODULE>(library), name);
    if (!address) {
        const int code = static_cast<int>(::GetLastError());
        SetLibraryError(FromUtf8(name) + u": " + ErrorCodeText(code), code);
        return nullptr;
    }
    return reinterpret_cast<void*>(address);
}

void FreeLibrary(LibraryHandle library) {
    if (library)
        ::FreeLibrary(static_cast<HMODULE>(library));
}

Text LastLibraryError() {
    return t_libraryError;
}

Text GetLibraryVersion(const Text& path) {
    if (!win32::CheckName(path)) {
        SetLibraryError(u"invalid library name", GetLastErrorCode());
        return {};
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(win32::Wide(path), &ignored);
    std::vector<unsigned char> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (size == 0 || !GetFileVersionInfoW(win32::Wide(path), 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) ||
        infoSize < sizeof(VS_FIXEDFILEINFO)) {
        const int code = static_cast<int>(::GetLastError());
        SetLibraryError(path + u": no version resource, " + ErrorCodeText(code), code);
        return {};
    }
    const DWORD parts[] = {HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                           HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
    Text version;
    for (size_t i = 0; i < 4; ++i) {
        if (i == 3 && parts[i] == 0)
            break;
        if (i > 0)
            version += u'.';
        version += FromUtf8(std::to_string(parts[i]));
    }
    return version;
}

Text GetExecutablePath() {
    // A process keeps the file it was started from; asking the system once is enough.
    static const Text path = ReadModuleFileName();
    return path;
}

}  // namespace zem
