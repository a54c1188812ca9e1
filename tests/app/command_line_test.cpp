#include <gtest/gtest.h>

#include "app/command_line.h"

namespace zem {
namespace {

TEST(CommandLineTest, ParametersSplitAtSpaceSlash) {
    const Text arguments = u"/AppPath=C:\\Program Files\\Zem\\ /DatabasePath=D:\\KB\\index.db";
    EXPECT_EQ(GetCommandLineParam(arguments, u"AppPath"), u"C:\\Program Files\\Zem\\");
    EXPECT_EQ(GetCommandLineParam(arguments, u"DatabasePath"), u"D:\\KB\\index.db");
    EXPECT_EQ(GetCommandLineParam(arguments, u"Import"), u"");
    // Names in any letter case; values trimmed; quotes kept; the first match wins.
    EXPECT_EQ(GetCommandLineParam(u"  /apppath=/opt/zem/  ", u"AppPath"), u"/opt/zem/");
    EXPECT_EQ(GetCommandLineParam(u"/AppPath= /opt/zem/", u"AppPath"), u"");
    EXPECT_EQ(GetCommandLineParam(u"/AppPath=\"/opt/my zem/\"", u"AppPath"), u"\"/opt/my zem/\"");
    EXPECT_EQ(GetCommandLineParam(u"/A=1 /A=2", u"A"), u"1");
    // A "/" not preceded by a space belongs to the value.
    EXPECT_EQ(GetCommandLineParam(u"/AppPath=/opt/zem/ /Debug", u"AppPath"), u"/opt/zem/");
    // A name that is only the start of another does not match; "=" is part of the key.
    EXPECT_EQ(GetCommandLineParam(u"/AppPathX=1", u"AppPath"), u"");
    EXPECT_EQ(GetCommandLineParam(u"/AppPath", u"AppPath"), u"");
    EXPECT_EQ(GetCommandLineParam(u"/DatabasePath=", u"DatabasePath"), u"");
    // Empty pieces between adjacent separators and a separator at the end are harmless.
    EXPECT_EQ(GetCommandLineParam(u"/x / /Import=a.db /", u"Import"), u"a.db");
    EXPECT_EQ(GetCommandLineParam(u"", u"AppPath"), u"");
    // A value cannot hold " /": the rest becomes the next piece.
    EXPECT_EQ(GetCommandLineParam(u"/Import=/a /b.db", u"Import"), u"/a");
}

TEST(CommandLineTest, SwitchesAndHelp) {
    EXPECT_TRUE(HasCommandLineSwitch(u"/AppPath=/x/ /console", u"Console"));
    EXPECT_TRUE(HasCommandLineSwitch(u"/Console", u"Console"));
    EXPECT_FALSE(HasCommandLineSwitch(u"/ConsoleX /Import=/Console", u"Console"));
    EXPECT_TRUE(IsHelpRequest(u"--help"));
    EXPECT_TRUE(IsHelpRequest(u"/AppPath=/x/ /?"));
    EXPECT_FALSE(IsHelpRequest(u"/Import=/tmp/--help.db"));
    Text help = CommandLineHelpText();
    for (const char16_t* word : {u"/AppPath=", u"/DatabasePath=", u"/Import=", u"/ImportAll",
                                 u"/Console", u"/Debug", u"Example", u"Exit status"})
        EXPECT_NE(help.find(word), Text::npos) << ToUtf8(word);
}

}  // namespace
}  // namespace zem
