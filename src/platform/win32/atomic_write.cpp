#include "platform/atomic_write.h"

#include "platform/files.h"
#include "platform/win32/windows_api.h"

namespace zem {

namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, want, &written, nullptr))
            return false;
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace

// kOwnerOnly needs nothing more here: a new file takes its folder's permissions, and the
// files that hold the user's settings lie in the user's own profile, which only the user can
// read.
bool WriteFileAtomically(const Text& path, std::string_view bytes, FileSync sync,
                         FileAccess /*access*/) {
    const Text temporary = TemporaryFileBeside(path);
    if (!win32::CheckName(temporary))
        return false;
    HANDLE file = CreateFileW(win32::SystemPath(temporary).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return win32::FailWithLastError();
    bool ok = WriteAll(file, bytes) && (sync == FileSync::kNone || FlushFileBuffers(file));
    DWORD failure = ok ? ERROR_SUCCESS : ::GetLastError();
    if (!CloseHandle(file) && ok) {
        ok = false;
        failure = ::GetLastError();
    }
    if (ok) {
        if (PutFileInPlace(temporary, path))
            return true;
        failure = static_cast<DWORD>(GetLastErrorCode());
    }
    DeleteFileW(win32::SystemPath(temporary).c_str());
    SetLastErrorCode(failure ? static_cast<int>(failure) : ERROR_WRITE_FAULT);
    return false;
}

}  // namespace zem
