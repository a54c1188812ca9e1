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

TEST(FindDeclaredCharsetTest, TakesTheFirstClosedTagThatDeclaresOne) {
    using enum CharsetDeclaration;
    EXPECT_EQ(FindDeclaredCharset("<META charset=\"UTF-8\"/>", kHtmlMeta), "UTF-8");
    EXPECT_EQ(FindDeclaredCharset("<meta name=a><meta content='text/html; charset=big5'>"
                                  "<meta charset=gbk>",
                                  kHtmlMeta),
              "big5");
    EXPECT_EQ(FindDeclaredCharset("<meta charset=utf-8 >", kHtmlMeta), "utf-8");
    EXPECT_EQ(FindDeclaredCharset("<meta charset = 'gbk'>", kHtmlMeta), "gbk");
    EXPECT_EQ(FindDeclaredCharset("<meta charset=utf-8", kHtmlMeta), "");
    EXPECT_EQ(FindDeclaredCharset("<p>charset=gbk</p>", kHtmlMeta), "");
    EXPECT_EQ(FindDeclaredCharset("<meta charset=gbk>", kNone), "");
    // Only the head of the bytes is searched.
    EXPECT_EQ(FindDeclaredCharset(std::string(5000, ' ') + "<meta charset=gbk>", kHtmlMeta), "");

    EXPECT_EQ(FindDeclaredCharset("<?xml version=\"1.0\" encoding='UTF-8'?><a/>", kXml), "UTF-8");
    EXPECT_EQ(FindDeclaredCharset("<?XML encoding=\"gb2312\" standalone=\"yes\"?>", kXml),
              "gb2312");
    EXPECT_EQ(FindDeclaredCharset("<?xml version=\"1.0\"?>", kXml), "");
    EXPECT_EQ(FindDeclaredCharset("<?xml encoding=\"gbk\"", kXml), "");
    EXPECT_EQ(FindDeclaredCharset("<?xml encoding=\"gbk\"?>", kHtmlMeta), "");
}

TEST(DecodeTextTest, MarksThenUtf16ThenTheDeclarationThenUtf8ThenAnsi) {
    test::EnvOverride locale("LC_ALL", "zh_CN.UTF-8");
    using enum CharsetDeclaration;
    const auto decode = [](std::string_view bytes, uint32_t expectedCodePage,
                           CharsetDeclaration declaration = kHtmlMeta) {
        Text text;
        EXPECT_EQ(DecodeText(bytes, declaration, text), expectedCodePage) << bytes;
        return text;
    };
    const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文
    // A mark outweighs a declaration.
    EXPECT_EQ(decode("\xEF\xBB\xBF<meta charset=gbk>\xD0\x81", kCodePageUtf8),
              u"<meta charset=gbk>Ё");
    EXPECT_EQ(decode("\xFF\xFE" + Utf16Bytes(u"<meta charset=gbk>中", false), kCodePageUtf16Le),
              u"<meta charset=gbk>中");
    EXPECT_EQ(decode("\xFE\xFF" + Utf16Bytes(u"中文", true), kCodePageUtf16Be), u"中文");
    EXPECT_EQ(decode(Utf16Bytes(u"<p>中文 text</p>", false), kCodePageUtf16Le),
              u"<p>中文 text</p>");
    EXPECT_EQ(decode("\xEF\xBB\xBF", kCodePageUtf8), u"");
    // A declaration outweighs the undeclared rule, whichever way the bytes would read.
    EXPECT_EQ(decode("<meta charset=big5>\xA4\xA4", 950), u"<meta charset=big5>中");
    EXPECT_EQ(decode("<?xml encoding='gbk'?>" + gbk, 936, kXml), u"<?xml encoding='gbk'?>中文");
    EXPECT_EQ(decode("<meta charset=gbk>" + gbk, 936, kNone), u"<meta charset=gbk>中文");
    // 8-bit bytes that declare UTF-16, or a set nobody knows, are read as undeclared.
    EXPECT_EQ(decode("<meta charset=utf-16>Hello!", kCodePageUtf8), u"<meta charset=utf-16>Hello!");
    EXPECT_EQ(decode("<meta charset=x-none>" + std::string(kUtf8Chinese), kCodePageUtf8),
              u"<meta charset=x-none>中文");
    EXPECT_EQ(decode("<p>" + gbk, 936), u"<p>中文");

    // A code page no converter takes falls back to the undeclared rule.
    Text text;
    EXPECT_EQ(DecodeTextAs("caf\xE9", {999999}, text), 936u);
    EXPECT_EQ(DecodeTextAs("Hello!", {12000}, text), kCodePageUtf8);
    EXPECT_EQ(text, u"Hello!");
    EXPECT_EQ(DecodeTextAs("\xC6\xFC\xCB\xDC", {kCodePageEucJp}, text), kCodePageEucJp);
    EXPECT_EQ(text, u"日本");
}

}  // namespace
}  // namespace zem
