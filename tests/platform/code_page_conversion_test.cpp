// Conversion between code pages and text, as the Windows conversion does it; the POSIX
// edition's converters give the same results.
#include <gtest/gtest.h>

#include "platform/code_pages.h"
#include "platform/files.h"
#include "support/platform_text.h"
#include "support/wine.h"

namespace zem {
namespace {

using test::Decode;

std::string Encode(uint32_t codePage, TextView text) {
    std::string bytes;
    EXPECT_TRUE(TextToMultiByte(codePage, text, bytes)) << codePage;
    return bytes;
}

TEST(CodePagesTest, DecodesTheEastAsianAndWesternCodePages) {
    EXPECT_EQ(Decode(936, "\xD6\xD0\xCE\xC4"), u"中文");
    EXPECT_EQ(Decode(950, "\xA4\xA4\xA4\xE5"), u"中文");
    EXPECT_EQ(Decode(932, "\x93\xFA\x96\x7B"), u"日本");
    EXPECT_EQ(Decode(949, "\xC7\xD1\xB1\xB9"), u"한국");
    EXPECT_EQ(Decode(1252, "caf\xE9 \x93q\x94 \x80"), u"café “q” €");
    EXPECT_EQ(Decode(1251, "\xCF\xF0\xE8"), u"При");
    EXPECT_EQ(Decode(kCodePageUtf8, "\xE4\xB8\xAD"), u"中");
    EXPECT_EQ(Decode(936, ""), u"");

    // UTF-16 and UTF-32 are not byte code pages, as for the Windows conversion.
    Text text;
    for (uint32_t wide : {1200u, 1201u, 12000u, 12001u})
        EXPECT_FALSE(MultiByteToText(wide, std::string_view("a\0\x2D\x4E", 4), false, text));
}

// The system refuses the EUC numbers themselves; the text still converts both ways.
TEST(CodePagesTest, EucJapaneseAndKoreanConvertBothWays) {
    EXPECT_EQ(Decode(kCodePageEucJp, "\xC6\xFC\xCB\xDC\xB8\xEC"), u"日本語");
    EXPECT_EQ(Encode(kCodePageEucJp, u"日本語"), "\xC6\xFC\xCB\xDC\xB8\xEC");
    EXPECT_EQ(Decode(51949, "\xC7\xD1\xB1\xB9"), u"한국");
    EXPECT_EQ(Encode(51949, u"한국"), "\xC7\xD1\xB1\xB9");
}

TEST(CodePagesTest, Gb18030HoldsEveryCharacter) {
    ZEM_WINE_LIMIT("Wine has no GB18030 code page (54936)");
    EXPECT_EQ(Decode(54936, "\x81\x30\x81\x30"), u"\u0080");
    EXPECT_EQ(Encode(54936, u"\u0080"), "\x81\x30\x81\x30");
}

TEST(CodePagesTest, InvalidInputFailsWhenAskedAndIsReplacedOtherwise) {
    Text text;
    for (const auto& [codePage, bytes] : {std::pair<uint32_t, std::string_view>{65001, "a\xFF"},
                                          {932, "a\x85\x40"},
                                          {936, "ab\xD6"},  // lead byte without its trail
                                          {20127, "a\xE9"}}) {
        SetLastErrorCode(0);
        EXPECT_FALSE(MultiByteToText(codePage, bytes, true, text)) << codePage;
        EXPECT_EQ(GetLastErrorKind(), ErrorKind::kInvalidText) << codePage;
    }
    // Each bad sequence becomes one replacement character (never a private-use stand-in);
    // the text around it survives.
    EXPECT_EQ(Decode(936, "\xD6\xD0\xFF\xCE\xC4", false), u"中\uFFFD文");
    EXPECT_EQ(Decode(936, "ab\xD6", false), u"ab\uFFFD");
    EXPECT_EQ(Decode(932, "a\x85\x40z", false), u"a\uFFFD@z");
    EXPECT_EQ(Decode(20127, "a\xE9z", false), u"a\uFFFDz");
    EXPECT_EQ(Decode(65001, "x\xC3(y", false), u"x\uFFFD(y");
    EXPECT_FALSE(MultiByteToText(12345, "abc", false, text));
}

TEST(CodePagesTest, EncodingReplacesWhatTheCodePageCannotHold) {
    EXPECT_EQ(Encode(936, u"中文abc"),
              "\xD6\xD0\xCE\xC4"
              "abc");
    // A character outside the code page is one "?", a surrogate pair included, and never a
    // look-alike ("∞" is not "8", "ā" not "a").
    EXPECT_EQ(Encode(1252, u"a中😀b"), "a??b");
    EXPECT_EQ(Encode(1252, u"∞ā"), "??");
    EXPECT_EQ(Encode(936, u"😀"), "?");
    EXPECT_EQ(Encode(kCodePageUtf8, u"é"), "\xC3\xA9");
}

TEST(ErrorCodeTextTest, TheSystemsTextOrTheNumber) {
    const int notFound = ErrorCodeOf(ErrorKind::kNotFound);
    EXPECT_FALSE(SystemErrorText(notFound).empty());
    EXPECT_EQ(ErrorCodeText(notFound), SystemErrorText(notFound));
    EXPECT_EQ(ErrorCodeText(123456), u"error 123456");
}

}  // namespace
}  // namespace zem
