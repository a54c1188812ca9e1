#include "util/text_file_writer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
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

// The number of units from the start of `units`, at most `most`, that are neither a zero
// character nor an LF: the run that can be copied as it is. Eight units are tested at a time.
size_t PlainRunLength(const char16_t* units, size_t most) {
    constexpr uint64_t kOnes = 0x0001000100010001, kTops = 0x8000800080008000;
    constexpr uint64_t kLineFeeds = kOnes * u'\n';
    // Sets the top bit of some unit exactly when some unit of `x` is zero: subtracting one
    // sets the top bit of a zero unit, and of no unit below the lowest zero one that had that
    // bit clear.
    const auto zeroUnits = [](uint64_t x) { return (x - kOnes) & ~x; };
    size_t n = 0;
    for (; most - n >= 8; n += 8) {
        uint64_t low, high;
        std::memcpy(&low, units + n, sizeof low);
        std::memcpy(&high, units + n + 4, sizeof high);
        if (((zeroUnits(low) | zeroUnits(high) | zeroUnits(low ^ kLineFeeds) |
              zeroUnits(high ^ kLineFeeds)) &
             kTops) != 0)
            break;
    }
    while (n < most && units[n] != u'\0' && units[n] != u'\n')
        ++n;
    return n;
}

// Passes the text's bytes as the file holds them (UTF-16LE, CR inserted before every LF that
// does not follow one, ending at the first zero character) to `sink` a slice at a time, so
// that a large text is never held a second time as bytes. False as soon as the sink fails.
template <class Sink>
bool EncodeForFile(std::span<const TextView> pieces, Sink sink) {
    // At most 1 MiB, and no more than the text can need: most texts are small.
    size_t units = 0;
    for (const TextView piece : pieces)
        units += piece.size();
    const size_t limit = std::min(size_t{1} << 20, 4 * units);
    // Room for one more character (a CR LF) past the limit.
    const auto slice = std::make_unique_for_overwrite<char[]>(limit + 4);
    size_t used = 0;
    const auto put = [&](char16_t c) {
        slice[used++] = static_cast<char>(c & 0xFF);
        slice[used++] = static_cast<char>(c >> 8);
    };
    char16_t previous = 0;
    for (const TextView piece : pieces) {
        for (size_t i = 0; i < piece.size();) {
            // On a little-endian host the units already are the file's bytes: a run without
            // a zero character or an LF is copied whole, as far as the limit.
            const size_t run = std::endian::native == std::endian::little
                                   ? PlainRunLength(piece.data() + i,
                                                    std::min(piece.size() - i, (limit - used) / 2))
                                   : 0;
            if (run > 0) {
                std::memcpy(slice.get() + used, piece.data() + i, 2 * run);
                used += 2 * run;
                i += run;
                previous = piece[i - 1];
            } else {
                const char16_t c = piece[i++];
                if (c == u'\0')
                    return sink(slice.get(), used);
                if (c == u'\n' && previous != u'\r')
                    put(u'\r');
                put(c);
                previous = c;
            }
            if (used >= limit) {
                if (!sink(slice.get(), used))
                    return false;
                used = 0;
            }
        }
    }
    return sink(slice.get(), used);
}

void Log(TextView format, TextView arg1, TextView arg2 = {}, TextView arg3 = {}) {
    WriteLogLine(FormatText(format, arg1, arg2, arg3));
}

enum class Attempt { kNotOpened, kFailed, kWritten };

Attempt WriteFileOnce(const Text& path, std::span<const TextView> pieces) {
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
    } else if (!EncodeForFile(pieces, [&](const char* bytes, size_t count) {
                   return WriteAllBytes(file, bytes, count);
               })) {
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
bool RewriteInPlace(const Text& path, std::span<const TextView> pieces) {
    FileStream file;
    if (!file.OpenExistingSoleFile(path))
        return false;
    int64_t size = 0;
    const auto write = [&](const char* bytes, size_t count) {
        size += static_cast<int64_t>(count);
        return file.Write(bytes, count) == count;
    };
    const bool written =
        write("\xFF\xFE", 2) && EncodeForFile(pieces, write) && file.EnsureSize(size);
    return file.Close() && written;
}

}  // namespace

bool SaveUnicodeTextFile(const Text& path, TextView text) {
    return SaveUnicodeTextFile(path, std::span<const TextView>(&text, 1));
}

bool SaveUnicodeTextFile(const Text& path, std::span<const TextView> pieces) {
    try {
        CreateFolderBelowRoot(GetFolderPart(path));
        if (RewriteInPlace(path, pieces))
            return true;
        // Deleted unconditionally: a dangling link does not "exist", yet opening it would
        // write wherever it points.
        DeleteFile(path);
        for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
            const Attempt result = WriteFileOnce(path, pieces);
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
