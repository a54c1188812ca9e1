#include "platform/text_decoding.h"

#include <gtest/gtest.h>

#include "env_override.h"
#include "platform/code_pages.h"

namespace zem {
namespace {

// "中文" in UTF-8 is also a valid pair of GBK characters ("涓枃"): UTF-8 has to be tried first
// for such text to survive a Chinese locale.
constexpr std::string_view kUtf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87";

TEST(DecodeUndeclaredBytesTest, TakesValidUtf8AsUtf8AndTheRestInTheAnsiCodePage) {
    const auto decode = [](std::string_view bytes, uint32_t expectedCodePage) {
        Text text;
        EXPECT_EQ(DecodeUndeclaredBytes(bytes, text), expectedCodePage);
        return text;
    };
    {
        test::EnvOverride locale("LC_ALL", "zh_CN.UTF-8");
        EXPECT_EQ(decode(kUtf8Chinese, kCodePageUtf8), u"中文");
        EXPECT_EQ(decode("\xD6\xD0\xCE\xC4 GBK", 936), u"中文 GBK");
        EXPECT_EQ(decode("", kCodePageUtf8), u"");
    }
    {
        test::EnvOverride locale("LC_ALL", "C.UTF-8");
        EXPECT_EQ(decode("caf\xE9 cr\xE8me", 1252), u"café crème");
        EXPECT_EQ(decode("caf\xC3\xA9", kCodePageUtf8), u"café");
        // An overlong form or a lone surrogate is not UTF-8.
        EXPECT_EQ(decode("\xC0\xAF", 1252), u"À¯");
        EXPECT_EQ(decode("\xED\xA0\x80", 1252), u"í\u00A0€");
    }
}

std::string Utf16Bytes(TextView text, bool bigEndian) {
    std::string bytes;
    for (char16_t c : text) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

TEST(Utf16BytesTest, ConvertToTextAndStraightToUtf8) {
    // Long enough to be converted in several slices, with a surrogate pair across the first
    // boundary and a lone surrogate after it.
    Text text(16383, u'a');
    text += u"😀中\xD800x";
    text += Text(20000, u'é');
    for (bool bigEndian : {false, true}) {
        const std::string bytes = Utf16Bytes(text, bigEndian) + "!";  // an odd byte is dropped
        EXPECT_EQ(Utf16BytesToText(bytes, bigEndian), text);
        const std::string utf8 = Utf16BytesToUtf8(bytes, bigEndian);
        EXPECT_EQ(utf8, ToUtf8(text));
        EXPECT_EQ(utf8.capacity(), utf8.size());  // made at its exact size
    }
    EXPECT_EQ(Utf16BytesToUtf8("", false), "");
}

TEST(IsUnmarkedUtf16Test, NeedsMoreThanTenBytesAnEvenCountAndAZeroByte) {
    EXPECT_TRUE(IsUnmarkedUtf16(Utf16Bytes(u"<p>note</p>", false)));
    EXPECT_FALSE(IsUnmarkedUtf16(Utf16Bytes(u"<p>n</p>", false).substr(0, 10)));
    EXPECT_FALSE(IsUnmarkedUtf16(Utf16Bytes(u"<p>note</p>", false) + "x"));
    EXPECT_FALSE(IsUnmarkedUtf16(Utf16Bytes(u"中文中文中文中文", false)));  // no zero byte
    EXPECT_FALSE(IsUnmarkedUtf16("<p>plain 8-bit text</p>"));
}

}  // namespace
}  // namespace zem
