#include "util/log_file.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/system_info.h"
#include "support/test_home.h"
#include "util/paths.h"
#include "util/text_helpers.h"

namespace fs = std::filesystem;

namespace zem {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

Text FromUtf16Le(std::string_view bytes) {
    Text text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return text;
}

TEST(AppendLogLine, WritesMarkedLinesInTheProgramLayout) {
    const std::string log = test::MakeTestFolder("log") + "/Zem.log";
    AppendLogLine(u"first\r\nline\rx\ny", FromUtf8(log));
    const Text before = GetLocalDateTimeText();
    // A file name's bytes that are not UTF-8 are written readably, never as lone surrogates.
    AppendLogLine(u"second \xDCE9 \xD800", FromUtf8(log));
    const Text after = GetLocalDateTimeText();

    const std::string bytes = ReadFileBytes(log);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    TextList lines;
    SplitText(FromUtf16Le(bytes.substr(2)), u'\n', lines);
    ASSERT_EQ(lines.size(), 2u);

    const Text head = GetFileNamePart(GetModulePath()) + u' ';
    const Text ids = FormatText(u" (%1-%2): ", IntToText(GetCurrentProcessId()),
                                IntToText(GetCurrentThreadId()));
    for (const Text& line : lines)
        EXPECT_EQ(line.substr(0, head.size()), head);
    EXPECT_TRUE(lines[0].ends_with(ids + u"first  line x y"));
#ifdef _WIN32
    // A Windows name is UTF-16: a lone surrogate in it holds no byte.
    EXPECT_TRUE(lines[1].ends_with(ids + u"second \uFFFD \uFFFD"));
#else
    // The held byte E9 reads in the ANSI code page (1252).
    EXPECT_TRUE(lines[1].ends_with(ids + u"second é \uFFFD"));
#endif
    // Each line ends in CR LF and the message keeps none of its own.
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 2);
    // The local date and time sit between the program name and the ids.
    const Text dateTime =
        lines[1].substr(head.size(), lines[1].size() - head.size() - ids.size() - 10);
    EXPECT_TRUE(dateTime == before || dateTime == after) << ToUtf8(dateTime);
}

TEST(AppendLogLine, StartsAfreshAboveOneMebibyte) {
    const std::string log = test::MakeTestFolder("big") + "/Zem.log";
    std::string limit = "\xFF\xFE" + std::string(1048576 - 2, 'a');
    WriteFileBytes(log, limit);
    AppendLogLine(u"kept", FromUtf8(log));
    EXPECT_GT(fs::file_size(log), 1048576u);
    EXPECT_EQ(ReadFileBytes(log).substr(0, 4),
              "\xFF\xFE"
              "aa");

    WriteFileBytes(log, limit + "a");
    AppendLogLine(u"fresh", FromUtf8(log));
    const std::string bytes = ReadFileBytes(log);
    EXPECT_LT(bytes.size(), 1000u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    EXPECT_TRUE(FromUtf16Le(bytes.substr(2)).ends_with(u"fresh\r\n"));
}

TEST(AppendLogLine, ReplacesFilesThatAreNotUtf16) {
    const std::string folder = test::MakeTestFolder("foreign");
    for (const std::string& content : {std::string("\xEF\xBB\xBFutf-8 text"),
                                       std::string("ansi text"), std::string("\xFF\xFE")}) {
        WriteFileBytes(folder + "/Zem.log", content);
        AppendLogLine(u"mine", FromUtf8(folder + "/Zem.log"));
        const std::string bytes = ReadFileBytes(folder + "/Zem.log");
        EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
        EXPECT_EQ(FromUtf16Le(bytes.substr(2)).find(u"text"), Text::npos);
        EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 1);
    }
}

TEST(AppendLogLine, LosesTheLineQuietlyWhenTheFileCannotBeWritten) {
    const std::string folder = test::MakeTestFolder("unwritable");
    AppendLogLine(u"lost", FromUtf8(folder + "/missing/Zem.log"));
    EXPECT_FALSE(fs::exists(folder + "/missing"));
    fs::create_directory(folder + "/Zem.log");
    AppendLogLine(u"lost", FromUtf8(folder + "/Zem.log"));
    EXPECT_TRUE(fs::is_directory(folder + "/Zem.log"));
}

TEST(GetTextFileEncoding, ReadsTheMark) {
    const std::string folder = test::MakeTestFolder("encoding");
    const auto probe = [&](const std::string& bytes) {
        WriteFileBytes(folder + "/f", bytes);
        return GetTextFileEncoding(FromUtf8(folder + "/f"));
    };
    EXPECT_EQ(probe(std::string("\xFF\xFE"
                                "a",
                                4)),
              kTextEncodingUtf16);
    EXPECT_EQ(probe("\xEF\xBB\xBF"
                    "a"),
              kTextEncodingUtf8);
    EXPECT_EQ(probe("\xEF\xBB\xBF"), kTextEncodingAnsi);
    EXPECT_EQ(probe("plain"), kTextEncodingAnsi);
    EXPECT_EQ(GetTextFileEncoding(FromUtf8(folder + "/missing")), kTextEncodingAnsi);
}

}  // namespace
}  // namespace zem
