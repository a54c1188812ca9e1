// Whole files read and written by tests, named by UTF-8 paths. Both throw
// std::runtime_error when the file cannot be read or written, so that a test never goes on
// comparing against the empty content of a file that is not there.
#pragma once

#include <filesystem>
#include <string>

namespace zem::test {

std::string ReadFileBytes(const std::string& path);
// The same, but a file that is not there reads as empty: for files whose absence means
// nothing was written yet, such as a log or a record of calls.
std::string ReadFileBytesIfAny(const std::string& path);
// Replaces the file with `bytes`, making its missing folders first.
void WriteFileBytes(const std::string& path, const std::string& bytes);

// A UTF-8 path as std::filesystem takes it, and back. A plain std::string would be read in
// the ANSI code page on Windows, which cannot hold every name the tests use.
std::filesystem::path Utf8Path(const std::string& path);
std::string PathUtf8(const std::filesystem::path& path);

}  // namespace zem::test
