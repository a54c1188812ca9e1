#include "support/platform_text.h"

#include <gtest/gtest.h>

#include "platform/code_pages.h"

namespace zem::test {

Text T(const std::string& utf8) {
    return FromUtf8(utf8);
}

Text Decode(uint32_t codePage, std::string_view bytes, bool strict) {
    Text text;
    EXPECT_TRUE(MultiByteToText(codePage, bytes, strict, text)) << codePage;
    return text;
}

std::string DeepPath(const std::string& root, size_t length, size_t nameLength) {
    std::string path = root;
    while (path.size() < length)
        path += "/" + std::string(nameLength, 'd');
    return path;
}

}  // namespace zem::test
