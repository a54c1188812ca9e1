// Tests name paths and write expected text in UTF-8; the platform's calls take its own text.
// These turn one into the other, failing the current test when a conversion the case relies
// on does not succeed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace zem::test {

// `utf8` as the platform's text: T(dir + "/数据.txt").
Text T(const std::string& utf8);

// `bytes` read in `codePage`; with `strict`, bytes the code page does not map fail the test.
Text Decode(uint32_t codePage, std::string_view bytes, bool strict = true);

// A path below `root` at least `length` characters long, made of folder names of
// `nameLength` characters each: deeper than Windows' classic calls reach.
std::string DeepPath(const std::string& root, size_t length, size_t nameLength);

}  // namespace zem::test
