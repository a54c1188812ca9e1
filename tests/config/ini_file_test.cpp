#include "config/ini_file.h"

#include <gtest/gtest.h>

namespace zem {
namespace {

Text Lookup(TextView text, TextView section, TextView key) {
    CZemIniFileEx ini;
    ini.LoadText(text);
    return ini.GetString(section, key, u"default");
}

TEST(CZemIniFileEx, FindsTheFirstKeyOfTheFirstMatchingSection) {
    EXPECT_EQ(Lookup(u"[A]\nx=1\n[B]\nx=2", u"B", u"x"), u"2");
    EXPECT_EQ(Lookup(u"[A]\nx=1\n[B]\nx=2", u"a", u"X"), u"1");
    EXPECT_EQ(Lookup(u"[A]\nx=1\n[B]\nx=2", u"C", u"x"), u"default");
    EXPECT_EQ(Lookup(u"[S]\nk=1\nk=2", u"S", u"k"), u"1");
    // The second section of the same name is never searched.
    EXPECT_EQ(Lookup(u"[S]\nk=1\n[S]\nk=2\nj=3", u"S", u"j"), u"default");
    // Lines before the first header belong to no section.
    EXPECT_EQ(Lookup(u"k=0\n[S]", u"S", u"k"), u"default");
}

TEST(CZemIniFileEx, TrimsLinesButKeepsTheValueAfterTheEqualsSign) {
    EXPECT_EQ(Lookup(u"[a]\nX=  v  ", u"A", u"x"), u"  v");
    EXPECT_EQ(Lookup(u"  [S]\t\n\tk=v\t", u"S", u"k"), u"v");
    EXPECT_EQ(Lookup(u"[S]\n; k=1\nk=2", u"S", u"k"), u"2");
    EXPECT_EQ(Lookup(u"[S]\nk =1", u"S", u"k"), u"default");
    EXPECT_EQ(Lookup(u"[S] ; note\nk=1", u"S", u"k"), u"default");
    EXPECT_EQ(Lookup(u"[S]\nk=", u"S", u"k"), u"");
    EXPECT_EQ(Lookup(u"[S]\nkey=1", u"S", u"k"), u"default");
    // Only A-Z ignore case.
    EXPECT_EQ(Lookup(u"[\u00c9]\nk=1", u"\u00e9", u"k"), u"default");
}

TEST(CZemIniFileEx, CrLfTextGivesTheSameResultsAndNullDefaultIsEmpty) {
    CZemIniFileEx ini;
    ini.LoadText(u"\r\n[A]\r\nx=1\r\n\r\n[B]\r\nx=2\r\n");
    EXPECT_EQ(ini.GetString(u"A", u"x", nullptr), u"1");
    EXPECT_EQ(ini.GetString(u"B", u"x", nullptr), u"2");
    EXPECT_EQ(ini.GetString(u"B", u"y", nullptr), u"");
    ini.LoadText(u"[C]\ny=3");
    EXPECT_EQ(ini.GetString(u"A", u"x", nullptr), u"");
    EXPECT_EQ(ini.GetString(u"C", u"y", nullptr), u"3");
}

}  // namespace
}  // namespace zem
