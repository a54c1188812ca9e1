#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/posix/posix_helpers.h"

namespace zem {

namespace {

thread_local std::string t_libraryError;

void SetLibraryError(const std::string& text, int code) {
    t_libraryError = text;
    SetLastErrorCode(code);
}

// 0 when a file is at the path, else the error number that says why not.
int FileError(const std::string& native) {
    struct stat st;
    if (stat(native.c_str(), &st) != 0)
        return errno ? errno : ENOENT;
    return S_ISDIR(st.st_mode) ? EISDIR : 0;
}

}  // namespace

LibraryHandle LoadLibrary(const Text& path) {
    std::string native;
    if (!posix::ToNativeName(path, native)) {
        SetLibraryError("invalid library name", EINVAL);
        return nullptr;
    }
    if (native.empty()) {
        SetLibraryError("empty library name", ENOENT);
        return nullptr;
    }
    // dlopen would search the system library path for a bare name; the program's own
    // folder and then the current directory are where its libraries live.
    if (native.find('/') == std::string::npos) {
        const std::string executable = ToFileSystemBytes(GetExecutablePath());
        const size_t slash = executable.rfind('/');
        const std::string inProgramFolder =
            slash == std::string::npos ? "" : executable.substr(0, slash + 1) + native;
        native = !inProgramFolder.empty() && FileError(inProgramFolder) == 0 ? inProgramFolder
                                                                             : "./" + native;
    }
    if (const int code = FileError(native); code != 0) {
        SetLibraryError(native + ": " + ToUtf8(ErrorCodeText(code)), code);
        return nullptr;
    }
    void* handle = dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* text = dlerror();
        SetLibraryError(text ? text : native + ": cannot be loaded", ENOEXEC);
    }
    return handle;
}

void* GetProcAddress(LibraryHandle library, const char* name) {
    if (!library || !name) {
        SetLibraryError("no library or no export name", EINVAL);
        return nullptr;
    }
    dlerror();
    void* address = dlsym(library, name);
    if (!address) {
        const char* text = dlerror();
        SetLibraryError(text ? text : std::string(name) + ": not found", ENOSYS);
    }
    return address;
}

void FreeLibrary(LibraryHandle library) {
    if (library)
        dlclose(library);
}

Text LastLibraryError() {
    return FromFileSystemBytes(t_libraryError);
}

Text GetLibraryVersion(const Text& path) {
    LibraryHandle library = LoadLibrary(path);
    if (!library)
        return {};
    using VersionFunc = const char* (*)();
    auto version = reinterpret_cast<VersionFunc>(GetProcAddress(library, "ZemLibraryVersion"));
    const char* text = version ? version() : nullptr;
    // The text lives in the library: copied before it is unloaded.
    Text result = text ? FromUtf8(text) : Text();
    FreeLibrary(library);
    return result;
}

namespace {

Text ReadExecutableLink() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            posix::FailWithErrno();
            return {};
        }
        if (static_cast<size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<size_t>(n));
            return FromFileSystemBytes(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

Text GetExecutablePath() {
    // A process keeps the file it was started from; asking the system once is enough.
    static const Text path = ReadExecutableLink();
    return path;
}

}  // namespace zem
