#include "platform/atomic_write.h"

#include <atomic>
#include <string>

#include "platform/files.h"
#include "platform/system_info.h"

namespace zem {

Text TemporaryFileBeside(const Text& target) {
    static std::atomic<unsigned> counter{0};
    const std::string name =
        ".zem-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + ".part";
    const size_t slash = LastPathSeparator(target);
    return (slash == Text::npos ? Text() : target.substr(0, slash + 1)) + FromUtf8(name);
}

bool PutFileInPlace(const Text& temporary, const Text& target) {
    FileAttributes attributes;
    if (GetFileAttributes(target, attributes) && !attributes.isFolder &&
        ExchangeFiles(temporary, target)) {
        DeleteFile(temporary);
        return true;
    }
    return RenameFile(temporary, target);
}

}  // namespace zem
