// A file stream opened by UTF-16 name: the C runtime's buffered stream over a file each
// edition opens its own way (file_stream.cpp holds what both editions share). Sharing is
// always deny-none: other processes may read, write, rename and delete the file meanwhile,
// as POSIX allows. Offsets and sizes are 64-bit. Not copyable; closes on destruction. One
// thread at a time.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/text.h"

namespace zem {

class FileStream {
  public:
    FileStream() = default;
    ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // `mode` is a C library mode ("rb", "r+b", "wb", "ab" ...), optionally with "c" for
    // commit mode: Flush then also forces the data to disk. False (last error set) on failure.
    bool Open(const Text& path, const char* mode);
    // Opens for writing, the existing file when there is one (not truncated), else a new
    // one. The Windows "open always" disposition.
    bool OpenAlways(const Text& path);
    // Opens an existing regular file with no other name for writing at its start, not
    // truncated. A symbolic link, anything but a regular file, a file with more than one
    // name or a missing file is refused (last error set): writing through any of them
    // would change something besides the file the name stands for.
    bool OpenExistingSoleFile(const Text& path);
    // Opens an existing regular file for reading (links followed). Anything else - a folder,
    // a named pipe, a device, a socket - is refused without waiting for a writer or touching
    // a device (last error kind kNotARegularFile; kIsAFolder for a folder): opening a named
    // pipe to read would
    // block until another process writes to it.
    bool OpenRegularFile(const Text& path);
    bool IsOpen() const { return file_ != nullptr; }

    // Bytes actually read or written; a short count sets the last error when the cause is
    // an error rather than the end of the file.
    size_t Read(void* buffer, size_t count);
    size_t Write(const void* buffer, size_t count);
    bool Seek(int64_t offset, int origin);  // SEEK_SET, SEEK_CUR, SEEK_END
    int64_t Tell();
    bool Flush();
    // Copies up to `count` bytes from `source`, at its position, to this stream at its
    // position; both positions move past them. The kernel copies the bytes itself where the
    // file systems allow, without passing them through this process; otherwise they go
    // through a buffer of at most 1 MiB. The number copied: short at the source's end, or
    // on an error (last error set).
    int64_t CopyFrom(FileStream& source, int64_t count);
    // Size from the open file's status.
    int64_t Size();
    // Cuts or extends the file to `size` bytes, after writing out what is buffered.
    bool SetSize(int64_t size);
    // Makes the file `size` bytes long, leaving its length alone when it has it already: for
    // a file rewritten in place, whose old content may run past the new.
    bool EnsureSize(int64_t size);
    bool Close();

  private:
    // True when a file is open, else false with the last error kNotOpen.
    bool CheckOpen() const;
    // Copies up to `count` bytes from `source` through a buffer of at most 1 MiB; the number
    // copied.
    int64_t CopyThroughBuffer(FileStream& source, int64_t count);
    // The edition's parts (posix/ or win32/file_stream.cpp). FailFromRuntime records the C
    // runtime's last failure as the last error and returns false; SyncToDisk forces what the
    // system holds of `file` to the disk, setting no error.
    static bool FailFromRuntime();
    static bool SyncToDisk(FILE* file);
    // Makes the open C runtime descriptor `fd` this stream's file in `mode`, unless `error` (an
    // error code found while checking it) is set or that fails: then closes it, sets the last
    // error and returns false.
    bool Adopt(int fd, int error, const char* mode);

    FILE* file_ = nullptr;
    bool commit_ = false;
};

}  // namespace zem
