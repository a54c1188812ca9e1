#include "util/cached_text_file.h"

#include "util/text_file_reader.h"

namespace zem {

bool CachedTextFile::Load(const Text& path, Text& text) {
    FileStamp stamp;
    const bool stamped = GetFileStamp(path, stamp);
    if (cached_ && stamped && path == path_ && IsSameUnchangedFile(stamp_, stamp)) {
        text = text_;
        return true;
    }
    cached_ = false;
    // The stamp comes first: a change made while the file is read shows at the next load.
    if (!LoadTextFile(path, text))
        return false;
    if (stamped) {
        cached_ = true;
        path_ = path;
        stamp_ = stamp;
        text_ = text;
    }
    return true;
}

}  // namespace zem
