#include "style/default_css.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files.h"

#include "config/global.h"
#include "config/translations.h"
#include "style/style_test_support.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "util/paths.h"

namespace zem::test {
namespace {

namespace fs = std::filesystem;

const std::string kCss =
    "body{/*default-font-family*/ /*default-font-size*/ /*default-line-height*/}\n"
    "p{/*default-color*/|/*default-background-color*/|/*default-font-size*/}";

std::string Block(const std::string& css) {
    return "\r\n<style type=\"text/css\" id=\"zem_custom_css\">\r\n" + css + "\r\n</style>\r\n";
}

// The data store's copy of the style sheet wins over the program's, so each test uses its own.
class DefaultCssTest : public testing::Test {
  protected:
    void SetUp() override {
        store_ = U8(GetDataStoreFolder());
        WriteFileBytes(store_ + "files/default.css", kCss);
        fs::remove(U8(GetSettingsFilePath()));
    }
    void TearDown() override { fs::remove(store_ + "files/default.css"); }
    static std::string Apply(std::string html) {
        Text text = U16(html);
        EXPECT_TRUE(InsertDefaultCss(text));
        return U8(text);
    }
    std::string store_;
};

// The families of the body rule's font-family list as a CSS parser reads them: a quoted one
// without its quotes, an unquoted one as it stands when it is identifiers (letters, "-", "_",
// non-ASCII, digits but not first); one a parser would drop reads as "".
std::vector<std::string> FontFamilies(const std::string& page) {
    std::smatch rule;
    if (!std::regex_search(page, rule, std::regex("body\\{font-family: ([^;]*);")))
        return {};
    std::vector<std::string> families;
    std::istringstream list(rule[1].str());
    for (std::string family; std::getline(list, family, ',');) {
        family.erase(0, family.find_first_not_of(' '));
        family.erase(family.find_last_not_of(' ') + 1);
        const auto byte = [](char c) { return static_cast<unsigned char>(c); };
        const bool identifiers =
            !family.empty() && !std::isdigit(byte(family[0])) &&
            std::all_of(family.begin(), family.end(), [&](char c) {
                return std::isalnum(byte(c)) || c == '-' || c == '_' || c == ' ' || byte(c) >= 0x80;
            });
        const bool quoted = family.size() >= 2 && family.front() == '"' && family.back() == '"';
        families.push_back(quoted        ? family.substr(1, family.size() - 2)
                           : identifiers ? family
                                         : "");
    }
    return families;
}

// With the user's style off, the fixed style goes before the end of the head, once however
// often it is applied: a family list a browser reads whole, led by the language's font, with
// a family for Chinese text intact and a generic family last so that some font always applies.
TEST_F(DefaultCssTest, FixedDefaultsGoBeforeTheHeadEndOnceHoweverOftenApplied) {
    const std::string once = Apply("<html><HEAD><title>t</title></HEAD><body>x</body></html>");
    const size_t block = once.find("\r\n<style type=\"text/css\" id=\"zem_custom_css\">");
    ASSERT_NE(block, std::string::npos) << once;
    EXPECT_EQ(once.substr(0, block), "<html><HEAD><title>t</title>");
    EXPECT_TRUE(once.ends_with("\r\n</style>\r\n</HEAD><body>x</body></html>")) << once;
    EXPECT_NE(once.find("font-size: 10.5pt; line-height: 1.5;}\np{||font-size: 10.5pt;}"),
              std::string::npos)
        << once;

    const std::vector<std::string> families = FontFamilies(once);
    ASSERT_GE(families.size(), 2u) << once;
    for (const std::string& family : families)
        EXPECT_FALSE(family.empty()) << once;
    EXPECT_EQ(families.front(), U8(ReadCommonValue(u"DefaultCSSFontFamily",
                                                   GetLanguageOrDefaultFolder() + u"settings.ini",
                                                   GetMenuFontName())));
    EXPECT_NE(std::find(families.begin(), families.end(), "宋体"), families.end()) << once;
    EXPECT_TRUE(families.back() == "serif" || families.back() == "sans-serif") << once;

    // A second application replaces the style element; only the line breaks around it stay.
    const std::string twice = Apply(once);
    EXPECT_EQ(twice, once.substr(0, block) + "\r\n\r\n" + once.substr(block));
}

TEST_F(DefaultCssTest, CustomStyleFollowsTheSettingsAsTheyChange) {
    const std::string settings = U8(GetSettingsFilePath());
    const std::string keys = Value("FontName", "Noto Serif") + Value("FontSize", "12pt") +
                             Value("Color", "red") + Value("BackgroundColor", "blue");
    const std::string html = "<head></head>";

    WriteSettingsFile(settings, Section("DocumentDefaults", keys + Value("EnableCSS", "1")));
    EXPECT_EQ(Apply(html),
              "<head>" +
                  Block("body{font-family: Noto Serif; font-size: 12pt; line-height: "
                        "1cm;}\np{color: inherit;|background-color: inherit;|font-size: "
                        "12pt;}") +
                  "</head>");

    WriteSettingsFile(settings, Section("DocumentDefaults", keys + Value("EnableCSS", "true") +
                                                                Value("EnableColor", "1")));
    EXPECT_NE(Apply(html).find("p{color: red;|background-color: blue;|"), std::string::npos);

    // Without EnableCSS the keys are not used at all.
    WriteSettingsFile(settings, Section("DocumentDefaults", keys));
    const std::string fixed = Apply(html);
    EXPECT_NE(fixed.find("line-height: 1.5;}\np{||font-size: 10.5pt;}"), std::string::npos);
}

TEST(StyleBlockPlacement, HeadEndAnyCaseElseTheStart) {
    Text html = u"<html><body>";
    EXPECT_EQ(InsertBeforeHeadEnd(html, u"[b]"), 15u);
    EXPECT_EQ(html, u"[b]<html><body>");
    html = u"<Head></hEaD >";
    InsertBeforeHeadEnd(html, u"[b]");
    EXPECT_EQ(html, u"<Head>[b]</hEaD >");

    // A damaged block is left as it is.
    for (Text damaged : {Text(u"zem_custom_css</style>"), Text(u"<style id=zem_custom_css>")}) {
        const Text before = damaged;
        EXPECT_FALSE(RemoveCustomCssBlock(damaged));
        EXPECT_EQ(damaged, before);
    }
    Text upper = u"a<STYLE ID=\"ZEM_CUSTOM_CSS\">x</STYLE>b";
    EXPECT_TRUE(RemoveCustomCssBlock(upper));
    EXPECT_EQ(upper, u"ab");
}

TEST_F(DefaultCssTest, FileIsReadWithTheStyleOrReportedMissing) {
    const std::string folder = MakeTestFolder("css-file");
    const std::string path = folder + "/note.htm";
    WriteFileBytes(path, "<html><head>\n<meta charset=\"utf-8\"></head><body>笔记</body></html>");
    Text html;
    ASSERT_TRUE(LoadHtmlWithDefaultCss(U16(path), html));
    EXPECT_EQ(html.find(u"<html><head>\n"), 0u);
    EXPECT_LT(html.find(u"zem_custom_css"), html.find(u"</head><body>笔记</body></html>"));

    LogWatch log;
    EXPECT_FALSE(LoadHtmlWithDefaultCss(U16(folder + "/missing.htm"), html));
    EXPECT_EQ(
        log.NewMessages(),
        std::vector<std::string>{"Failed to load template html file: " + folder + "/missing.htm"});
}

TEST_F(DefaultCssTest, DataStoreCopyWinsOverTheInstalledSheet) {
    EXPECT_EQ(GetDefaultCssFilePath(),
              ToNativeSeparators(GetDataStoreFolder() + u"files/default.css"));
    fs::remove(store_ + "files/default.css");
    const Text installed = ToNativeSeparators(GetProgramFolder() + u"files/default.css");
    EXPECT_EQ(GetDefaultCssFilePath(), installed);
    const std::string css = ReadFileBytes(U8(installed));
    for (const char* placeholder :
         {"/*default-font-family*/", "/*default-font-size*/", "/*default-line-height*/",
          "/*default-color*/", "/*default-background-color*/"})
        EXPECT_NE(css.find(placeholder), std::string::npos) << placeholder;
}

}  // namespace
}  // namespace zem::test
