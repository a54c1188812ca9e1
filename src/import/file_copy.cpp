#include "import/file_copy.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "config/global.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "util/paths.h"
#include "util/text_file_writer.h"

namespace zem {

namespace {

// Only a regular file is a source: a folder would open here, and a named pipe would hold the
// import until some other process wrote to it.
bool OpenSource(FileStream& file, const Text& path) {
    return file.OpenRegularFile(path);
}

// The log lines of a target that cannot be created.
void LogCannotCreate(const Text& path, int error) {
    GetGlobal().WriteLog(FormatText(u"Can't create or open file: %1", path));
    GetGlobal().WriteLog(GetErrorText(error));
}

}  // namespace

bool CopyFileContents(const Text& source, const Text& target, int64_t* copiedBytes) {
    FileStream in;
    if (!OpenSource(in, source))
        return false;
    // A target that is the source itself already holds the copy; opening it for writing
    // would empty it.
    FileStamp from, to;
    if (GetFileStamp(target, to) && GetFileStamp(source, from) && from.device == to.device &&
        from.inode == to.inode) {
        if (copiedBytes)
            *copiedBytes = 0;
        return true;
    }
    const int64_t size = in.Size();
    // Every copy lands in the import folder, a working area: forcing it to disk would only
    // guard against a power loss, after which the import is run again anyway.
    // A file already there (a spare the run put there to be written over, see
    // reusable_files.h) is written in place: opening it truncated would make ext4 write it
    // back when it is closed (docs/PERFORMANCE.md, "Storage speed-ups").
    FileStream out;
    if (!out.OpenExistingSoleFile(target) && !out.Open(target, "wb")) {
        // Files up to the block size report a target they cannot create (their copy was once
        // made through memory); larger ones never did.
        if (size <= kCopyBlockSize)
            LogCannotCreate(target, GetLastErrorCode());
        return false;
    }
    const bool copied = size >= 0 && out.CopyFrom(in, size) == size && out.EnsureSize(size);
    if (out.Close() && copied) {
        if (copiedBytes)
            *copiedBytes = size;
        return true;
    }
    DeleteFile(target);  // a half-written target would later pass for the real file
    return false;
}

}  // namespace zem
