#include "util/text_file_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "host/data_store.h"
#include "platform/files.h"
#include "support/test_home.h"
#include "util/text_file_reader.h"
#include "util/text_helpers.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace zem {
namespace {

using test::ReadFileBytes;

TEST(SaveUnicodeTextFile, WritesMarkedUtf16WithCrLf) {
    const std::string folder = test::MakeTestFolder("writer");
    ASSERT_TRUE(SaveUnicodeTextFile(FromUtf8(folder + "/empty.htm"), u""));
    EXPECT_EQ(ReadFileBytes(folder + "/empty.htm"), "\xFF\xFE");

    ASSERT_TRUE(SaveUnicodeTextFile(FromUtf8(folder + "/ab.htm"), u"a\nb"));
    EXPECT_EQ(ReadFileBytes(folder + "/ab.htm"), std::string("\xFF\xFE"
                                                             "a\0\r\0\n\0b\0",
                                                             10));

    ASSERT_TRUE(SaveUnicodeTextFile(FromUtf8(folder + "/crlf.htm"), u"a\r\nb"));
    EXPECT_EQ(ReadFileBytes(folder + "/crlf.htm"), ReadFileBytes(folder + "/ab.htm"));

    // The text ends at its first zero character.
    ASSERT_TRUE(SaveUnicodeTextFile(FromUtf8(folder + "/zero.htm"), Text(u"a\0b", 3)));
    EXPECT_EQ(ReadFileBytes(folder + "/zero.htm"), std::string("\xFF\xFE"
                                                               "a\0",
                                                               4));
}

TEST(SaveUnicodeTextFile, ReplacesAnEarlierFileAndCreatesFolders) {
    const std::string folder = test::MakeTestFolder("replace");
    const std::string path = folder + "/new/deeper/note.htm";
    ASSERT_TRUE(SaveUnicodeTextFile(FromUtf8(path), u"a much longer earlier text\n中文"));
    Text text;
    ASSERT_TRUE(LoadTextFile(FromUtf8(path), text));
    EXPECT_EQ(text, u"a much longer earlier text\n中文");

    ASSERT_TRUE(SaveUnicodeTextFile(FromUtf8(path), u"short"));
    EXPECT_EQ(ReadFileBytes(path), std::string("\xFF\xFE"
                                               "s\0h\0o\0r\0t\0",
                                               12));
}

TEST(SaveUnicodeTextFile, FailsWhenTheFileCannotBeCreated) {
    const std::string folder = test::MakeTestFolder("cannot");
    std::ofstream(folder + "/file") << "x";
    const Text path = FromUtf8(folder + "/file/a.htm");
    EXPECT_FALSE(SaveUnicodeTextFile(path, u"text"));
    // Three attempts, each logged, none of them retried after a pause.
    Text log;
    ASSERT_TRUE(LoadTextFile(GetLogFilePath(), log));
    // The system's code for a file standing where the path needs a folder.
#ifdef _WIN32
    const int code = ERROR_PATH_NOT_FOUND;
#else
    const int code = ENOTDIR;
#endif
    const Text line =
        FormatText(u"Can't create file: %1, error message: %2, Windows Error Code: %3", path,
                   GetErrorText(code), IntToText(code));
    size_t count = 0;
    for (size_t at = log.find(line); at != Text::npos; at = log.find(line, at + 1))
        ++count;
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(log.find(u"Retry write file"), Text::npos);

    fs::create_directory(folder + "/dir.htm");
    EXPECT_FALSE(SaveUnicodeTextFile(FromUtf8(folder + "/dir.htm"), u"text"));
    EXPECT_TRUE(fs::is_directory(folder + "/dir.htm"));
}

// Pieces are written as one text: carriage returns are added only where missing, also when
// CR and LF fall in neighbouring pieces, and a zero character in any piece ends the text.
TEST(SaveUnicodeTextFile, WritesPiecesAsOneText) {
    const std::string folder = test::MakeTestFolder("pieces");
    const auto save = [&](const std::string& name, std::vector<TextView> pieces) {
        EXPECT_TRUE(SaveUnicodeTextFile(FromUtf8(folder + "/" + name), pieces));
        const std::string bytes = ReadFileBytes(folder + "/" + name);
        EXPECT_TRUE(bytes.starts_with("\xFF\xFE"));
        Text text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8);
        return text;
    };
    EXPECT_EQ(save("crlf.htm", {u"\na\r", u"\nb\rc\n", u"", u"\n"}), u"\r\na\r\nb\rc\r\n\r\n");
    EXPECT_EQ(save("empty.htm", {}), u"");
    const Text zero(u"b\0c", 3);
    EXPECT_EQ(save("zero.htm", {u"a\n", zero, u"d"}), u"a\r\nb");

    // Past the size written at once, with line ends on both sides of every boundary.
    Text lines;
    for (int i = 0; lines.size() < 600000; ++i)
        lines += u"第" + IntToText(i) + u"行\n";
    const TextView all = lines;
    Text expected;
    for (char16_t c : lines) {
        if (c == u'\n')
            expected += u'\r';
        expected += c;
    }
    EXPECT_EQ(save("large.htm", {all.substr(0, 300001), all.substr(300001)}), expected);
}

// Random texts in random pieces, against a plain encoding of the joined text: up to its first
// zero character, a CR before every LF that does not follow one, UTF-16LE. Mostly plain runs,
// with zeros, line ends and units whose bytes look like those (0x0A00, 0x0100) in between;
// short texts, and one past the size written at once.
TEST(SaveUnicodeTextFile, WritesGeneratedTextsAsAPlainEncodingWould) {
    const std::string path = test::MakeTestFolder("generated") + "/note.htm";
    static constexpr char16_t kOthers[] = {u'\0',  u'\n',  u'\r',  u'\t',  0x0001, 0x000B, 0x0100,
                                           0x0A00, 0x0A0A, 0x4E2D, 0x8000, 0xD800, 0xFFFF};
    std::mt19937 random(20240611);
    for (int round = 0; round < 400; ++round) {
        const size_t length = round == 0 ? 600000 : random() % 60;
        Text text;
        while (text.size() < length) {
            if (random() % 3 == 0)
                text += kOthers[random() % std::size(kOthers)];
            else
                for (size_t n = random() % 30 + 1; n > 0; --n)
                    text += static_cast<char16_t>(u' ' + random() % 0x5F);
        }
        // No zero ends the long text early.
        if (round == 0)
            std::erase(text, u'\0');
        std::vector<size_t> cuts = {0, text.size()};
        for (size_t n = random() % 4; n > 0; --n)
            cuts.push_back(random() % (text.size() + 1));
        std::sort(cuts.begin(), cuts.end());
        std::vector<TextView> pieces;
        for (size_t k = 0; k + 1 < cuts.size(); ++k)
            pieces.push_back(TextView(text).substr(cuts[k], cuts[k + 1] - cuts[k]));

        std::string expected = "\xFF\xFE";
        const auto put = [&](char16_t unit) {
            expected += static_cast<char>(unit & 0xFF);
            expected += static_cast<char>(unit >> 8);
        };
        char16_t previous = 0;
        for (const char16_t c : text.substr(0, text.find(u'\0'))) {
            if (c == u'\n' && previous != u'\r')
                put(u'\r');
            put(c);
            previous = c;
        }
        ASSERT_TRUE(SaveUnicodeTextFile(FromUtf8(path), pieces));
        ASSERT_TRUE(ReadFileBytes(path) == expected) << "round " << round;
    }
}

TEST(WriteAllBytes, ReportsAShortWrite) {
    const std::string folder = test::MakeTestFolder("short");
    FileStream file;
    ASSERT_TRUE(file.Open(FromUtf8(folder + "/f"), "wb"));
    EXPECT_TRUE(WriteAllBytes(file, "abc", 3));
    file.Close();
    FileStream readOnly;
    ASSERT_TRUE(readOnly.Open(FromUtf8(folder + "/f"), "rb"));
    EXPECT_FALSE(WriteAllBytes(readOnly, "abc", 3));
}

TEST(GetErrorText, GivesTheSystemTextOrTheNumber) {
    EXPECT_EQ(GetErrorText(ENOENT), SystemErrorText(ENOENT));
    EXPECT_FALSE(GetErrorText(ENOENT).empty());
    EXPECT_EQ(GetErrorText(123456), u"GetLastError()=123456");
}

// Making a symbolic link takes a privilege on Windows (and mingw's std::filesystem cannot).
#ifndef _WIN32
TEST(SaveUnicodeTextFile, ReplacesALinkInsteadOfWritingThroughIt) {
    const std::string folder = test::MakeTestFolder("writer-link");
    fs::create_symlink(folder + "/elsewhere/victim.txt", folder + "/out.htm");
    EXPECT_TRUE(SaveUnicodeTextFile(FromUtf8(folder + "/out.htm"), u"x"));
    EXPECT_FALSE(fs::is_symlink(folder + "/out.htm"));
    EXPECT_FALSE(fs::exists(folder + "/elsewhere/victim.txt"));
}
#endif

// An earlier file is written over where it stands; only a file whose other names or link
// target would change with it is replaced by a new one.
TEST(SaveUnicodeTextFile, WritesOverTheEarlierFileButNeverThroughAnotherName) {
    const std::string folder = test::MakeTestFolder("writer-in-place");
    const std::string path = folder + "/note.htm";
    ASSERT_TRUE(SaveUnicodeTextFile(FromUtf8(path), u"first, and longer than the second"));
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ASSERT_TRUE(SaveUnicodeTextFile(FromUtf8(path), u"second"));
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadFileBytes(path), std::string("\xFF\xFE"
                                               "s\0e\0c\0o\0n\0d\0",
                                               14));

    fs::create_hard_link(path, folder + "/other-name.htm");
    ASSERT_TRUE(SaveUnicodeTextFile(FromUtf8(path), u"third"));
    EXPECT_EQ(ReadFileBytes(folder + "/other-name.htm").size(), 14u);
    EXPECT_EQ(ReadFileBytes(path).size(), 12u);

#ifndef _WIN32  // making a symbolic link takes a privilege on Windows
    std::ofstream(folder + "/target.txt") << "kept";
    fs::create_symlink(folder + "/target.txt", folder + "/link.htm");
    ASSERT_TRUE(SaveUnicodeTextFile(FromUtf8(folder + "/link.htm"), u"x"));
    EXPECT_FALSE(fs::is_symlink(folder + "/link.htm"));
    EXPECT_EQ(ReadFileBytes(folder + "/target.txt"), "kept");
#endif

    // A file that may not be written but may be removed is replaced, as before.
    fs::permissions(path, fs::perms::owner_read);
    ASSERT_TRUE(SaveUnicodeTextFile(FromUtf8(path), u"fourth"));
    EXPECT_EQ(ReadFileBytes(path).size(), 14u);
}

}  // namespace
}  // namespace zem
