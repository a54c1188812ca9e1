#include "platform/code_pages.h"

#include <errno.h>
#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/environment.h"
#include "support/platform_text.h"

namespace zem {
namespace {

using test::Decode;

TEST(CodePagesTest, AnsiCodePageFollowsTheLocale) {
    test::EnvOverride all("LC_ALL", nullptr);
    test::EnvOverride lang("LANG", "zh_CN.UTF-8");
    EXPECT_STREQ(IconvNameForCodePage(kCodePageAnsi), "CP936");
    EXPECT_EQ(Decode(kCodePageAnsi, "\xD6\xD0"), u"中");
    test::EnvOverride other("LC_ALL", "en_US.UTF-8");
    EXPECT_STREQ(IconvNameForCodePage(kCodePageAnsi), "CP1252");
    EXPECT_EQ(IconvNameForCodePage(4242), nullptr);
}

// File names are bytes: what is not UTF-8 is held and written back unchanged, and reads in
// the ANSI code page (or as U+FFFD) wherever people see it.
TEST(FileNameTextTest, BytesThatAreNotUtf8RoundTripAndReadInTheAnsiCodePage) {
    const std::string bytes = "/a/\xB1\xA8\xB8\xE6/\xD5\xCB\xBB\xA7/\xE4\xB8\xAD/\xFF\xE4\xB8";
    const Text text = FromFileSystemBytes(bytes);
    // GBK bytes that happen to form UTF-8 (CB BB) read as their character.
    EXPECT_EQ(text, u"/a/\xDCB1\xDCA8\xDCB8\xDCE6/\xDCD5\x02FB\xDCA7/中/\xDCFF\xDCE4\xDCB8");
    EXPECT_EQ(ToFileSystemBytes(text), bytes);
    EXPECT_EQ(ToUtf8(text), ToUtf8(u"/a/\uFFFD\uFFFD\uFFFD\uFFFD/\uFFFD\x02FB\uFFFD/中/"
                                   u"\uFFFD\uFFFD\uFFFD"));
    // Surrogates that hold no byte are not bytes of a name.
    EXPECT_EQ(ToFileSystemBytes(u"\xD800x\xDC41"), "\xEF\xBF\xBDx\xEF\xBF\xBD");

    test::EnvOverride all("LC_ALL", nullptr);
    test::EnvOverride lang("LANG", "zh_CN.UTF-8");
    EXPECT_EQ(ReadableText(text), u"/a/报告/账户/中/\uFFFD\uFFFD\uFFFD");
    // A GBK character whose second byte is an ASCII letter.
    EXPECT_EQ(ReadableText(FromFileSystemBytes("x\x81\x40.png")), u"x丂.png");
    // Surrogates of no pair are no text; a pair whose second half looks like a held byte is
    // a character.
    EXPECT_EQ(ReadableText(u"a\xD800"
                           u"b😀 \xDCE9\xD800 💀"),
              u"a\uFFFDb😀 \uFFFD\uFFFD 💀");
    test::EnvOverride western("LC_ALL", "en_US.UTF-8");
    EXPECT_EQ(ReadableText(FromFileSystemBytes("caf\xE9")), u"café");
}

TEST(CharsetNamesTest, NamesOfHtmlAndXmlDeclarationsIgnoringCase) {
    EXPECT_EQ(CodePageForCharsetName(u"UTF-8"), 65001u);
    EXPECT_EQ(CodePageForCharsetName(u"utf8"), 65001u);
    EXPECT_EQ(CodePageForCharsetName(u"GB2312"), 936u);
    EXPECT_EQ(CodePageForCharsetName(u"gbk"), 936u);
    EXPECT_EQ(CodePageForCharsetName(u"gb18030"), 54936u);
    EXPECT_EQ(CodePageForCharsetName(u"Big5"), 950u);
    EXPECT_EQ(CodePageForCharsetName(u"Shift_JIS"), 932u);
    EXPECT_EQ(CodePageForCharsetName(u"x-sjis"), 932u);
    EXPECT_EQ(CodePageForCharsetName(u"EUC-JP"), 51932u);
    EXPECT_EQ(CodePageForCharsetName(u"euc-kr"), 949u);
    EXPECT_EQ(CodePageForCharsetName(u"windows-1251"), 1251u);
    EXPECT_EQ(CodePageForCharsetName(u"iso-8859-2"), 28592u);
    EXPECT_EQ(CodePageForCharsetName(u"UTF-16"), 1200u);
    EXPECT_EQ(CodePageForCharsetName(u"utf-16be"), 1201u);
    EXPECT_EQ(CodePageForCharsetName(u"koi8-r"), 20866u);
    EXPECT_EQ(CodePageForCharsetName(u"unknown-charset"), 0u);
    EXPECT_EQ(CodePageForCharsetName(u""), 0u);
    // Latin-1 and ASCII labels read as Windows-1252, keeping the punctuation such pages hold.
    EXPECT_EQ(CodePageForCharsetName(u"ISO-8859-1"), 1252u);
    EXPECT_EQ(CodePageForCharsetName(u"us-ascii"), 1252u);
    // Every code page of the table can be converted.
    for (const char16_t* name :
         {u"gb2312", u"gb18030", u"big5", u"shift_jis", u"euc-jp", u"euc-kr", u"iso-8859-15",
          u"windows-1258", u"koi8-r", u"iso-2022-jp", u"tis-620", u"macintosh"}) {
        Text text;
        EXPECT_TRUE(MultiByteToText(CodePageForCharsetName(name), "ab", false, text))
            << ToUtf8(name);
    }
}

std::string Utf16Le(std::u16string_view text) {
    std::string bytes;
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

TEST(IsTextUnicodeTest, RecognisesUtf16AndRejects8BitText) {
    const auto test = [](const std::string& bytes) {
        return IsTextUnicode(bytes.data(), bytes.size());
    };
    EXPECT_TRUE(test(Utf16Le(u"Hello, world.\r\nSecond line.")));
    EXPECT_TRUE(test(Utf16Le(u"中文的笔记内容，包括一些标点符号和更多的汉字。")));
    EXPECT_TRUE(test(Utf16Le(u"笔记 note 标题\r\n内容")));
    EXPECT_TRUE(test("\xFF\xFE"));
    EXPECT_TRUE(test(Utf16Le(u"Hello") + std::string(2, '\0')));  // a closing NUL unit

    EXPECT_FALSE(test("\xFE\xFF" + Utf16Le(u"Hello")));  // the mark of the other byte order
    std::string bigEndian;
    for (const char c : std::string("Hello, world.\n"))
        bigEndian += std::string(1, '\0') + c;
    EXPECT_FALSE(test(bigEndian));
    EXPECT_FALSE(test("Bush hid the facts"));     // printable ASCII is 8-bit text
    EXPECT_FALSE(test(Utf16Le(u"Hello") + "x"));  // odd length
    // GBK text with a NUL at its end.
    const std::string gbk =
        "\xD3\xD0\xB5\xC0\xD4\xC6\xB1\xCA\xBC\xC7\xCA\xC7\xCD\xF8\xD2\xD7\xC6\xEC\xCF\xC2"
        "\xB5\xC4\xD2\xBB\xBF\xEE\xB1\xCA\xBC\xC7\xC8\xED\xBC\xFE\xA3\xAC\xD6\xA7\xB3\xD6"
        "\xB6\xE0\xD6\xD6\xC6\xBD\xCC\xA8\xCD\xAC\xB2\xBD\xA1\xA3";
    EXPECT_FALSE(test(gbk + std::string(2, '\0')));
    EXPECT_FALSE(test(std::string("abc\x01\x02\x03\x04\x05\x06\x07\x08\x00", 12)));
    EXPECT_FALSE(test(""));
    EXPECT_FALSE(IsTextUnicode(nullptr, 4));
}

}  // namespace
}  // namespace zem
