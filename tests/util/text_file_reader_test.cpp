#include "util/text_file_reader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/code_pages.h"
#include "support/test_home.h"

namespace zem {
namespace {

class LoadTextFileTest : public testing::Test {
  protected:
    // Writes `bytes` to a file of that name and loads it.
    Text Load(const std::string& name, const std::string& bytes) {
        const std::string path = folder_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        Text text = u"unchanged";
        EXPECT_TRUE(LoadTextFile(FromUtf8(path), text));
        return text;
    }

    std::string folder_ = test::MakeTestFolder("reader");
};

std::string Utf16Le(TextView text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

TEST_F(LoadTextFileTest, ReadsUtf16WithAndWithoutMark) {
    EXPECT_EQ(Load("empty.txt", ""), u"");
    EXPECT_EQ(Load("mark.txt", "\xFF\xFE"), u"");
    EXPECT_EQ(Load("marked.txt", "\xFF\xFE" + Utf16Le(u"中文\r\nb\rc\nd")), u"中文\nb\nc\nd");
    EXPECT_EQ(Load("bare.txt", Utf16Le(u"Hello world, plain text\r\n")),
              u"Hello world, plain text\n");
    // Ten bytes or fewer, or an odd count, are read as 8-bit text (zero bytes dropped).
    EXPECT_EQ(Load("short.txt", Utf16Le(u"abcde")), u"abcde");
    EXPECT_EQ(Load("odd.txt", Utf16Le(u"Hello world, plain text") + "!"),
              u"Hello world, plain text!");
}

TEST_F(LoadTextFileTest, NormalisesEveryLineEnd) {
    EXPECT_EQ(Load("ends.txt", "dos\r\nunix\nmac\rend\r"), u"dos\nunix\nmac\nend\n");
}

TEST_F(LoadTextFileTest, ChoosesTheEncodingByMarkDeclarationAndExtension) {
    // "中文" in GBK and the Cyrillic Ё in UTF-8 (its second byte is no CP1252 character).
    const std::string gbk = "\xD6\xD0\xCE\xC4";
    const std::string yo = "\xD0\x81";
    EXPECT_EQ(Load("marked.dat", "\xEF\xBB\xBF" + yo), u"Ё");
    EXPECT_EQ(Load("page.php", yo), u"Ё");
    EXPECT_EQ(Load("declared.htm",
                   "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                   "charset=gb2312\"></head>" +
                       gbk),
              u"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
              u"charset=gb2312\"></head>中文");
    EXPECT_EQ(Load("undeclared.HTML", "<p>" + yo), u"<p>Ё");
    EXPECT_EQ(Load("plain.html", "<p>caf\xE9"), u"<p>caf\u00e9");
    EXPECT_EQ(Load("data.xml", "<?xml version='1.0' encoding='gbk'?>" + gbk),
              u"<?xml version='1.0' encoding='gbk'?>中文");
    EXPECT_EQ(Load("ansi.txt", "caf\xE9"), u"caf\u00e9");
}

TEST(LoadTextFile, FailsForAMissingFileOrAFolder) {
    const std::string folder = test::MakeTestFolder("none");
    Text text;
    EXPECT_FALSE(LoadTextFile(FromUtf8(folder + "/missing.txt"), text));
    EXPECT_FALSE(LoadTextFile(FromUtf8(folder), text));
}

TEST(FindHtmlCharset, TakesTheFirstMetaTagThatDeclaresOne) {
    EXPECT_EQ(FindHtmlCharset("<META charset=\"UTF-8\"/>"), u"UTF-8");
    EXPECT_EQ(FindHtmlCharset("<meta name=a><meta content='text/html; charset=big5'>"
                              "<meta charset=gbk>"),
              u"big5");
    EXPECT_EQ(FindHtmlCharset("<meta charset=utf-8 >"), u"utf-8");
    EXPECT_EQ(FindHtmlCharset("<meta charset=utf-8"), u"");
    EXPECT_EQ(FindHtmlCharset("<p>charset=gbk</p>"), u"");
}

TEST(FindXmlEncoding, ReadsTheDeclaration) {
    EXPECT_EQ(FindXmlEncoding("<?xml version=\"1.0\" encoding='UTF-8'?><a/>"), u"UTF-8");
    EXPECT_EQ(FindXmlEncoding("<?XML encoding=\"gb2312\" standalone=\"yes\"?>"), u"gb2312");
    EXPECT_EQ(FindXmlEncoding("<?xml version=\"1.0\"?>"), u"");
    EXPECT_EQ(FindXmlEncoding("<?xml encoding=\"gbk\""), u"");
}

TEST(DecodeBytes, HonoursTheCodePageAndTheUtf8Mark) {
    EXPECT_EQ(DecodeBytes("\xC6\xFC\xCB\xDC", kCodePageEucJp), u"日本");
    EXPECT_EQ(DecodeBytes("\xEF\xBB\xBF\xD0\x81", 936), u"Ё");
    EXPECT_EQ(DecodeBytes(std::string_view("ab\0cd", 5), kCodePageUtf8), u"ab");
    EXPECT_EQ(DecodeBytes("caf\xE9", 999999), u"caf\u00e9");  // unknown: ANSI
    // 8-bit bytes that merely declare UTF-16 or UTF-32 are not read in pairs.
    EXPECT_EQ(DecodeBytes("Hello!", CodePageFromCharset(u"utf-16")), u"Hello!");
    EXPECT_EQ(DecodeBytes("Hello!", 12000), u"Hello!");
    EXPECT_EQ(CodePageFromCharset(u"GB2312"), 936u);
    EXPECT_EQ(CodePageFromCharset(u"no-such-set"), 0u);
}

TEST(NormalizeLineEnds, WorkInPlaceOnBytesAndUnits) {
    char bytes[] = "a\r\nb\0c\rd\r\0\0\0\0";
    EXPECT_EQ(NormalizeLineEnds8(bytes, 10), 7u);
    EXPECT_EQ(std::string(bytes), "a\nbc\nd\n");
    char16_t units[] = u"a\r\nb\0c\r";
    EXPECT_EQ(NormalizeLineEnds16(units, 14), 5u);
    EXPECT_EQ(Text(units), u"a\nbc\n");
}

}  // namespace
}  // namespace zem
