#include <gtest/gtest.h>

#include <vector>

#include "config/command_line.h"

namespace zem {
namespace {

using Arguments = std::vector<Text>;

TEST(CommandLineTest, EachArgumentIsOneParameter) {
    const Arguments arguments = {u"/AppPath=C:\\Program Files\\Zem\\",
                                 u"/DatabasePath=D:\\KB\\index.db"};
    EXPECT_EQ(GetCommandLineParam(arguments, u"AppPath"), u"C:\\Program Files\\Zem\\");
    EXPECT_EQ(GetCommandLineParam(arguments, u"DatabasePath"), u"D:\\KB\\index.db");
    EXPECT_EQ(GetCommandLineParam(arguments, u"Import"), u"");
    // Names in any letter case; values trimmed; quotes kept; the first match wins.
    EXPECT_EQ(GetCommandLineParam({u"  /apppath=/opt/zem/  "}, u"AppPath"), u"/opt/zem/");
    EXPECT_EQ(GetCommandLineParam({u"/AppPath=", u"/opt/zem/"}, u"AppPath"), u"");
    EXPECT_EQ(GetCommandLineParam({u"/AppPath=\"/opt/my zem/\""}, u"AppPath"), u"\"/opt/my zem/\"");
    EXPECT_EQ(GetCommandLineParam({u"/A=1", u"/A=2"}, u"A"), u"1");
    EXPECT_EQ(GetCommandLineParam({u"/AppPath=/opt/zem/", u"/Debug"}, u"AppPath"), u"/opt/zem/");
    // A name that is only the start of another does not match; "=" is part of the key, and
    // so is the "/" in front.
    EXPECT_EQ(GetCommandLineParam({u"/AppPathX=1"}, u"AppPath"), u"");
    EXPECT_EQ(GetCommandLineParam({u"/AppPath"}, u"AppPath"), u"");
    EXPECT_EQ(GetCommandLineParam({u"AppPath=/opt/zem/"}, u"AppPath"), u"");
    EXPECT_EQ(GetCommandLineParam({u"/DatabasePath="}, u"DatabasePath"), u"");
    EXPECT_EQ(GetCommandLineParam({u"/x", u"/", u"", u"/Import=a.db", u"/"}, u"Import"), u"a.db");
    EXPECT_EQ(GetCommandLineParam({}, u"AppPath"), u"");
    // A value holds spaces and " /": a folder whose name ends with a space, a parameter's
    // text inside a file name.
    EXPECT_EQ(GetCommandLineParam({u"/Import=/a /b.db"}, u"Import"), u"/a /b.db");
    EXPECT_EQ(GetCommandLineParam({u"/Import=/tmp/x /DatabasePath=y.db"}, u"DatabasePath"), u"");
    EXPECT_EQ(GetCommandLineParam({u"/Import=/tmp/x /DatabasePath=y.db"}, u"Import"),
              u"/tmp/x /DatabasePath=y.db");
}

TEST(CommandLineTest, SwitchesAndHelp) {
    EXPECT_TRUE(HasCommandLineSwitch({u"/AppPath=/x/", u"/console"}, u"Console"));
    EXPECT_TRUE(HasCommandLineSwitch({u"/Console"}, u"Console"));
    EXPECT_FALSE(HasCommandLineSwitch({u"/ConsoleX", u"/Import=/Console"}, u"Console"));
    EXPECT_FALSE(HasCommandLineSwitch({u"/Import=/a /Console"}, u"Console"));
    EXPECT_FALSE(HasCommandLineSwitch({u"Console"}, u"Console"));
    EXPECT_TRUE(IsHelpRequest({u"--help"}));
    EXPECT_TRUE(IsHelpRequest({u"/AppPath=/x/", u"/?"}));
    EXPECT_FALSE(IsHelpRequest({u"/Import=/tmp/--help.db"}));
    EXPECT_FALSE(IsHelpRequest({u"/Import=/tmp/a -h b.db"}));
    Text help = CommandLineHelpText();
    for (const char16_t* word : {u"/AppPath=", u"/DatabasePath=", u"/Import=", u"/ImportAll",
                                 u"/Console", u"/Debug", u"Example", u"Exit status"})
        EXPECT_NE(help.find(word), Text::npos) << ToUtf8(word);
}

}  // namespace
}  // namespace zem
