#include "platform/file_stream.h"

#include <algorithm>
#include <memory>
#include <new>

#include "platform/last_error.h"

namespace zem {

FileStream::~FileStream() {
    Close();
}

bool FileStream::CheckOpen() const {
    if (file_)
        return true;
    SetLastErrorCode(ErrorCodeOf(ErrorKind::kNotOpen));
    return false;
}

size_t FileStream::Read(void* buffer, size_t count) {
    if (!CheckOpen())
        return 0;
    const size_t done = fread(buffer, 1, count, file_);
    if (done < count && ferror(file_))
        FailFromRuntime();
    return done;
}

size_t FileStream::Write(const void* buffer, size_t count) {
    if (!CheckOpen())
        return 0;
    const size_t done = fwrite(buffer, 1, count, file_);
    if (done < count)
        FailFromRuntime();
    return done;
}

bool FileStream::Flush() {
    if (!CheckOpen())
        return false;
    if (fflush(file_) != 0 || (commit_ && !SyncToDisk(file_)))
        return FailFromRuntime();
    return true;
}

int64_t FileStream::CopyThroughBuffer(FileStream& source, int64_t count) {
    const auto size = static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 1), 1 << 20));
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
    if (!buffer) {
        SetLastErrorCode(ErrorCodeOf(ErrorKind::kOutOfMemory));
        return 0;
    }
    int64_t copied = 0;
    while (copied < count) {
        const auto want = static_cast<size_t>(std::min<int64_t>(count - copied, size));
        const size_t got = source.Read(buffer.get(), want);
        if (got == 0 || Write(buffer.get(), got) != got)
            break;
        copied += static_cast<int64_t>(got);
    }
    return copied;
}

bool FileStream::EnsureSize(int64_t size) {
    return Size() == size || SetSize(size);
}

bool FileStream::Close() {
    if (!file_)
        return true;
    FILE* file = file_;
    file_ = nullptr;
    // Data written but never reaching the file must not pass as saved.
    bool ok = !commit_ || (fflush(file) == 0 && SyncToDisk(file));
    if (!ok)
        FailFromRuntime();
    if (fclose(file) != 0)
        ok = FailFromRuntime();
    return ok;
}

}  // namespace zem
