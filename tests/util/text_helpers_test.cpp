#include "util/text_helpers.h"

#include <gtest/gtest.h>

#include "platform/files.h"

namespace zem {
namespace {

TEST(FormatText, ReplacesPlaceholdersAndKeepsEverythingElse) {
    EXPECT_EQ(FormatText(u"%2-%1-%3", u"a", u"b", u"c"), u"b-a-c");
    EXPECT_EQ(FormatText(u"[%4%9]%0%x 100%", u"a"), u"[]%0%x 100%");
    EXPECT_EQ(FormatText(u"%1 %2", u"only"), u"only ");
    // Inserted text is not scanned again.
    EXPECT_EQ(FormatText(u"%1%2", u"%2", u"b"), u"%2b");
    EXPECT_EQ(FormatText(u"%%1", u"a"), u"%a");
    EXPECT_EQ(FormatText(u"Software\\%1", u"Zem"), u"Software\\Zem");
}

TextList Split(TextView text, char16_t separator) {
    TextList list{u"kept"};
    SplitText(text, separator, list);
    list.erase(list.begin());
    return list;
}

TEST(SplitText, FollowsEverySeparatorRule) {
    EXPECT_EQ(Split(u"", u','), TextList{});
    EXPECT_EQ(Split(u"a,b", u','), (TextList{u"a", u"b"}));
    EXPECT_EQ(Split(u",a,b,", u','), (TextList{u"a", u"b"}));
    EXPECT_EQ(Split(u",,a", u','), (TextList{u"", u"a"}));
    EXPECT_EQ(Split(u"a,,b", u','), (TextList{u"a", u"", u"b"}));
    EXPECT_EQ(Split(u",", u','), TextList{u""});
    EXPECT_EQ(Split(u" a , b", u','), (TextList{u" a ", u" b"}));
    EXPECT_EQ(Split(u"x\r\ny\r\r\n\r", u'\n'), (TextList{u"x", u"y\r", u""}));
    EXPECT_EQ(Split(u"a\rb", u','), TextList{u"a\rb"});
}

TEST(JoinTexts, PutsTheSeparatorBetweenNeighboursOnly) {
    EXPECT_EQ(JoinTexts({}, u", "), u"");
    EXPECT_EQ(JoinTexts({u"a"}, u", "), u"a");
    EXPECT_EQ(JoinTexts({u"a", u"", u"c"}, u", "), u"a, , c");
}

TEST(Numbers, ConvertBothWaysAtTheLimits) {
    EXPECT_EQ(IntToText(-1), u"-1");
    EXPECT_EQ(IntToText(0), u"0");
    EXPECT_EQ(IntToText(INT32_MIN), u"-2147483648");
    EXPECT_EQ(Int64ToText(INT64_MIN), u"-9223372036854775808");
    EXPECT_EQ(TextToInt32(u" \t-42abc"), -42);
    EXPECT_EQ(TextToInt32(u"+7"), 7);
    EXPECT_EQ(TextToInt32(u"x1"), 0);
    EXPECT_EQ(TextToInt32(u"99999999999"), INT32_MAX);
    EXPECT_EQ(TextToInt32(u"-99999999999"), INT32_MIN);
    EXPECT_EQ(TextToInt64(u"9223372036854775807"), INT64_MAX);
    EXPECT_EQ(TextToInt64(u"-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(TextToInt64(u"92233720368547758070"), INT64_MAX);
}

TEST(TextMatching, TrimsAndIgnoresOnlyAsciiCase) {
    EXPECT_EQ(TrimText(u" \t\r\n\v\f a b\u3000 "), u"a b");
    EXPECT_EQ(TrimText(u"\u00a0a"), u"\u00a0a");
    EXPECT_EQ(TrimTextStart(u"  a "), u"a ");
    EXPECT_EQ(TrimTextEnd(u"  a "), u"  a");
    EXPECT_TRUE(EqualsIgnoreCase(u"Common", u"cOMMON"));
    EXPECT_FALSE(EqualsIgnoreCase(u"\u00e9", u"\u00c9"));
    EXPECT_EQ(FindIgnoreCase(u"abcABC", u"Bc", 2), 4u);
    EXPECT_EQ(FindIgnoreCase(u"ab", u"abc"), Text::npos);
    EXPECT_EQ(FindIgnoreCase(u"ab", u"", 3), Text::npos);
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutRescanning) {
    Text text = u"aaaa";
    EXPECT_EQ(ReplaceAll(text, u"aa", u"a"), 2u);
    EXPECT_EQ(text, u"aa");
    text = u"x";
    EXPECT_EQ(ReplaceAll(text, u"", u"y"), 0u);
    EXPECT_EQ(ReplaceAll(text, u"x", u"xx"), 1u);
    EXPECT_EQ(text, u"xx");
}

TEST(Separators, AcceptBothAndAddSlash) {
    EXPECT_TRUE(EndsWithSeparator(u"a\\"));
    EXPECT_TRUE(EndsWithSeparator(u"a/"));
    EXPECT_FALSE(EndsWithSeparator(u""));
    // The platform's own separator is added, and only where none ends the path.
    const Text withSeparator = Text(u"/a") + kPathSeparator;
    Text path = u"/a";
    AddTrailingSeparator(path);
    EXPECT_EQ(path, withSeparator);
    AddTrailingSeparator(path);
    EXPECT_EQ(path, withSeparator);
    path = u"a/";
    AddTrailingSeparator(path);
    EXPECT_EQ(path, u"a/");
    path = u"a\\";
    AddTrailingSeparator(path);
    EXPECT_EQ(path, u"a\\");
}

}  // namespace
}  // namespace zem
