#include "util/text_file_writer.h"

#include <string>

#include "platform/files.h"
#include "platform/system_info.h"
#include "util/log_channel.h"
#include "util/paths.h"
#include "util/text_helpers.h"

namespace zem {

namespace {

constexpr int kWriteAttempts = 3;
constexpr uint32_t kRetryPauseMilliseconds = 10;

std::string ToUtf16LeBytes(TextView text) {
    std::string bytes(text.size() * 2, '\0');
    char* p = bytes.data();
    for (const char16_t c : text) {
        *p++ = static_cast<char>(c & 0xFF);
        *p++ = static_cast<char>(c >> 8);
    }
    return bytes;
}

void Log(TextView format, TextView arg1, TextView arg2 = {}, TextView arg3 = {}) {
    WriteLogLine(FormatText(format, arg1, arg2, arg3));
}

enum class Attempt { kNotOpened, kFailed, kWritten };

Attempt WriteFileOnce(const Text& path, const std::string& content) {
    FileStream file;
    // Truncating, unlike opening an existing file as it is: a file that could not be
    // deleted, or that an earlier attempt left longer, must not keep old bytes at its end.
    if (!file.Open(path, "wb")) {
        const int error = GetLastErrorCode();
        Log(u"Can't create file: %1, error message: %2, Windows Error Code: %3", path,
            GetErrorText(error), IntToText(error));
        return Attempt::kNotOpened;
    }
    bool written = false;
    if (!WriteAllBytes(file, "\xFF\xFE", 2)) {
        Log(u"Can't write unicode mark data to file: %1", path);
    } else if (!WriteAllBytes(file, content.data(), content.size())) {
        Log(u"Can't write unicode data to file: %1", path);
    } else {
        written = true;
    }
    // Written data is buffered: a failure to store it shows only when the file is closed.
    if (!file.Close() && written) {
        const int error = GetLastErrorCode();
        Log(u"Can't save unicode text to unicode file: %1, Windows Error Code: %2",
            GetErrorText(error), IntToText(error));
        Log(u"Can't write unicode data to file: %1", path);
        written = false;
    }
    return written ? Attempt::kWritten : Attempt::kFailed;
}

// Writes the file over an existing one, keeping its inode (why: docs/PERFORMANCE.md,
// "Storage speed-ups"). Quietly false when the file cannot be rewritten so; the caller then
// deletes it and writes it afresh, logging as it goes.
bool RewriteInPlace(const Text& path, const std::string& content) {
    FileStream file;
    if (!file.OpenExistingSoleFile(path))
        return false;
    const auto size = static_cast<int64_t>(content.size() + 2);
    const bool written = file.Write("\xFF\xFE", 2) == 2 &&
                         file.Write(content.data(), content.size()) == content.size() &&
                         (file.Size() == size || file.SetSize(size));
    return file.Close() && written;
}

}  // namespace

bool SaveUnicodeTextFile(const Text& path, TextView text) {
    try {
        CreateDirectoryTree(GetFolderPart(path));
        const std::string content = ToUtf16LeBytes(ToCrLf(text.substr(0, text.find(u'\0'))));
        if (RewriteInPlace(path, content))
            return true;
        // Deleted unconditionally: a dangling link does not "exist", yet opening it would
        // write wherever it points.
        DeleteFile(path);
        for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
            const Attempt result = WriteFileOnce(path, content);
            if (result == Attempt::kWritten)
                return true;
            // A file that cannot be opened is tried again at once.
            if (result == Attempt::kNotOpened)
                continue;
            Sleep(kRetryPauseMilliseconds);
            Log(u"Retry write file: %1", path);
        }
    } catch (...) {
    }
    return false;
}

Text ToCrLf(TextView text) {
    Text result(text.size() * 2, u'\0');
    char16_t* p = result.data();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            *p++ = u'\r';
        *p++ = text[i];
    }
    result.resize(static_cast<size_t>(p - result.data()));
    return result;
}

bool WriteAllBytes(FileStream& file, const void* bytes, size_t count) {
    SetLastErrorCode(0);
    const size_t written = file.Write(bytes, count);
    if (written == count)
        return true;
    const int error = GetLastErrorCode();
    if (error != 0) {
        Log(u"Can't save unicode text to unicode file: %1, Windows Error Code: %2",
            GetErrorText(error), IntToText(error));
    } else {
        Log(u"Can't write all data to to unicode file: need to be written: %1, written: %2",
            Int64ToText(static_cast<int64_t>(count)), Int64ToText(static_cast<int64_t>(written)));
    }
    return false;
}

Text GetErrorText(int errorCode) {
    Text text = SystemErrorText(errorCode);
    return text.empty() ? FormatText(u"GetLastError()=%1", IntToText(errorCode)) : text;
}

}  // namespace zem
