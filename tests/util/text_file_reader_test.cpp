#include "util/text_file_reader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/code_pages.h"
#include "support/ansi_code_page.h"
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
    std::string bigEndian = "\xFE\xFF";
    for (char16_t c : Text(u"中文\r\nb"))
        bigEndian += std::string{static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
    EXPECT_EQ(Load("big-endian.txt", bigEndian), u"中文\nb");
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
    EXPECT_EQ(Load("data.xml", "<?xml version='1.0' encoding='gbk'?>" + gbk),
              u"<?xml version='1.0' encoding='gbk'?>中文");
}

TEST_F(LoadTextFileTest, UndeclaredBytesThatAreNotUtf8ReadInTheAnsiCodePage) {
    ZEM_WITH_ANSI_CODE_PAGE(1252, "C.UTF-8");
    EXPECT_EQ(Load("plain.html", "<p>caf\xE9"), u"<p>caf\u00e9");
    EXPECT_EQ(Load("ansi.txt", "caf\xE9"), u"caf\u00e9");
}

TEST(LoadTextFile, FailsForAMissingFileOrAFolder) {
    const std::string folder = test::MakeTestFolder("none");
    Text text;
    EXPECT_FALSE(LoadTextFile(FromUtf8(folder + "/missing.txt"), text));
    EXPECT_FALSE(LoadTextFile(FromUtf8(folder), text));
}

TEST(NormalizeLineEnds, WorkInPlace) {
    char16_t units[] = u"a\r\nb\0c\r";
    EXPECT_EQ(NormalizeLineEnds16(units, 14), 5u);
    EXPECT_EQ(Text(units), u"a\nbc\n");
}

}  // namespace
}  // namespace zem
