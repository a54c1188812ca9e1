#include "style/default_css.h"

#include "config/global.h"
#include "config/translations.h"
#include "host/data_store.h"
#include "platform/files.h"
#include "platform/system_info.h"
#include "style/km_settings.h"
#include "util/cached_text_file.h"
#include "util/paths.h"
#include "util/text_file_reader.h"
#include "util/text_file_writer.h"

namespace zem {

namespace {

constexpr char16_t kCssFile[] = u"files/default.css";
constexpr char16_t kStyleStart[] = u"\r\n<style type=\"text/css\" id=\"zem_custom_css\">\r\n";
constexpr char16_t kStyleEnd[] = u"\r\n</style>\r\n";

void Log(TextView text) {
    GetGlobal().WriteLog(text);
}

// The five declarations that fill the placeholders, in replacement order.
struct StyleDeclarations {
    Text fontFamily, fontSize, lineHeight, color, backgroundColor;
    bool operator==(const StyleDeclarations&) const = default;
};

// The style sheet with its placeholders filled. The result depends only on the sheet's text
// and the declarations, which rarely change from one note to the next, so the last result is
// kept and the five replacements are made again only when either differs.
const Text& FillStyleSheet(const Text& css, const StyleDeclarations& declarations) {
    static Text lastSource;
    static StyleDeclarations lastDeclarations;
    static Text filled;
    static bool valid = false;
    if (valid && css == lastSource && declarations == lastDeclarations)
        return filled;
    filled = css;
    ReplaceAll(filled, u"/*default-font-family*/", declarations.fontFamily);
    ReplaceAll(filled, u"/*default-font-size*/", declarations.fontSize);
    ReplaceAll(filled, u"/*default-line-height*/", declarations.lineHeight);
    ReplaceAll(filled, u"/*default-color*/", declarations.color);
    ReplaceAll(filled, u"/*default-background-color*/", declarations.backgroundColor);
    lastSource = css;
    lastDeclarations = declarations;
    valid = true;
    return filled;
}

StyleDeclarations CustomDeclarations(IZemKMSettingsSection* section) {
    const Text fontName = ReadSectionString(section, u"FontName", GetMenuFontName());
    const Text fontSize = ReadSectionString(section, u"FontSize", u"10.5pt");
    const Text lineHeight = ReadSectionString(section, u"LineHeight", u"1cm");
    Text color = ReadSectionString(section, u"Color", u"black");
    Text background = ReadSectionString(section, u"BackgroundColor", u"white");
    if (!ReadSectionBool(section, u"EnableColor"))
        color = background = u"inherit";
    return {FormatText(u"font-family: %1;", fontName), FormatText(u"font-size: %1;", fontSize),
            FormatText(u"line-height: %1;", lineHeight), FormatText(u"color: %1;", color),
            FormatText(u"background-color: %1;", background)};
}

StyleDeclarations FixedDeclarations() {
    const Text languageFont = ReadCommonValue(
        u"DefaultCSSFontFamily", GetLanguageOrDefaultFolder() + u"settings.ini", GetMenuFontName());
    return {FormatText(u"font-family: %1,\"Microsoft YaHei\", "
                       u"Georgia,Helvetica,Arial,sans-serif,宋体, PMingLiU,serif;",
                       languageFont),
            u"font-size: 10.5pt;", u"line-height: 1.5;", Text(), Text()};
}

}  // namespace

bool LoadHtmlWithDefaultCss(const Text& htmlPath, Text& html) {
    if (!LoadTextFile(htmlPath, html)) {
        Log(FormatText(u"Failed to load template html file: %1", htmlPath));
        return false;
    }
    if (!InsertDefaultCss(html)) {
        Log(FormatText(u"Failed to insert default css to file: %1", htmlPath));
        return false;
    }
    return true;
}

bool InsertDefaultCss(Text& html) {
    ComPtr<IZemKMSettingsSection> section;
    GetSettings().GetDocumentDefaultsSection(section);
    const StyleDeclarations declarations = ReadSectionBool(section.Get(), u"EnableCSS")
                                               ? CustomDeclarations(section.Get())
                                               : FixedDeclarations();

    const Text cssPath = GetDefaultCssFilePath();
    static CachedTextFile cssFile;
    Text css;
    if (!cssFile.Load(cssPath, css)) {
        Log(FormatText(u"Failed to load default CSS file: %1", cssPath));
        return false;
    }
    const Text& filled = FillStyleSheet(css, declarations);

    // The page changes only once the style is ready, so a failure leaves it as it was.
    RemoveCustomCssBlock(html);
    InsertBeforeHeadEnd(html, kStyleStart + filled + kStyleEnd);
    return true;
}

bool RemoveCustomCssBlock(Text& html) {
    const size_t id = FindIgnoreCase(html, u"zem_custom_css");
    if (id == Text::npos)
        return true;
    const size_t start = html.rfind(u'<', id);
    if (start == Text::npos)
        return false;
    constexpr TextView kEnd = u"</style>";
    const size_t end = FindIgnoreCase(html, kEnd, id);
    if (end == Text::npos)
        return false;
    html.erase(start, end + kEnd.size() - start);
    return true;
}

size_t InsertBeforeHeadEnd(Text& html, TextView block) {
    size_t position = FindIgnoreCase(html, u"</head");
    if (position == Text::npos)
        position = 0;
    html.insert(position, block);
    return html.size();
}

Text GetMenuFontName() {
    return GetMenuFontFace();
}

Text GetDefaultCssFilePath() {
    // The user's own copy in the data store wins over the one installed with the program.
    Text path = GetDataStoreFolder() + ToNativeSeparators(kCssFile);
    if (PathExists(path))
        return path;
    return GetProgramFolder() + ToNativeSeparators(kCssFile);
}

}  // namespace zem
