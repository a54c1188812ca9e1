// Character-set names as HTML and XML declarations write them, and their code pages.
#include <string_view>

#include "platform/code_pages.h"

namespace zem {

namespace {

struct CharsetName {
    std::u16string_view name;
    uint32_t codePage;
};

// ISO-8859-1 and US-ASCII are read as Windows-1252, as browsers read them: 1252 agrees with
// both on every character they define, and pages that carry these labels often hold 1252
// punctuation (curly quotes, dashes) that the strict tables would turn into control codes
// or lose.
constexpr CharsetName kCharsets[] = {
    {u"utf-8", 65001},
    {u"utf8", 65001},
    {u"unicode-1-1-utf-8", 65001},
    {u"x-unicode20utf8", 65001},
    {u"utf-7", 65000},
    {u"gb2312", 936},
    {u"gbk", 936},
    {u"cp936", 936},
    {u"windows-936", 936},
    {u"x-gbk", 936},
    {u"gb_2312-80", 936},
    {u"csgb2312", 936},
    {u"chinese", 936},
    {u"euc-cn", 936},
    {u"x-euc-cn", 936},
    {u"iso-ir-58", 936},
    {u"gb18030", 54936},
    {u"big5", 950},
    {u"big5-hkscs", 950},
    {u"cn-big5", 950},
    {u"x-x-big5", 950},
    {u"csbig5", 950},
    {u"cp950", 950},
    {u"windows-950", 950},
    {u"shift_jis", 932},
    {u"shift-jis", 932},
    {u"sjis", 932},
    {u"x-sjis", 932},
    {u"ms_kanji", 932},
    {u"csshiftjis", 932},
    {u"windows-31j", 932},
    {u"cp932", 932},
    {u"x-ms-cp932", 932},
    {u"euc-jp", 51932},
    {u"x-euc-jp", 51932},
    {u"cseucpkdfmtjapanese", 51932},
    {u"iso-2022-jp", 50220},
    {u"csiso2022jp", 50220},
    {u"euc-kr", 949},
    {u"ks_c_5601-1987", 949},
    {u"ks_c_5601-1989", 949},
    {u"ks_c_5601", 949},
    {u"ksc5601", 949},
    {u"ksc_5601", 949},
    {u"korean", 949},
    {u"csksc56011987", 949},
    {u"cp949", 949},
    {u"windows-949", 949},
    {u"iso-8859-1", 1252},
    {u"iso8859-1", 1252},
    {u"iso_8859-1", 1252},
    {u"latin1", 1252},
    {u"l1", 1252},
    {u"cp819", 1252},
    {u"us-ascii", 1252},
    {u"ascii", 1252},
    {u"ansi_x3.4-1968", 1252},
    {u"iso646-us", 1252},
    {u"iso-8859-2", 28592},
    {u"latin2", 28592},
    {u"iso-8859-3", 28593},
    {u"iso-8859-4", 28594},
    {u"iso-8859-5", 28595},
    {u"iso-8859-6", 28596},
    {u"iso-8859-7", 28597},
    {u"iso-8859-8", 28598},
    {u"iso-8859-9", 28599},
    {u"latin5", 28599},
    {u"iso-8859-13", 28603},
    {u"iso-8859-15", 28605},
    {u"latin-9", 28605},
    {u"latin9", 28605},
    {u"windows-1250", 1250},
    {u"windows-1251", 1251},
    {u"windows-1252", 1252},
    {u"windows-1253", 1253},
    {u"windows-1254", 1254},
    {u"windows-1255", 1255},
    {u"windows-1256", 1256},
    {u"windows-1257", 1257},
    {u"windows-1258", 1258},
    {u"cp1250", 1250},
    {u"cp1251", 1251},
    {u"cp1252", 1252},
    {u"cp1253", 1253},
    {u"cp1254", 1254},
    {u"cp1255", 1255},
    {u"cp1256", 1256},
    {u"cp1257", 1257},
    {u"cp1258", 1258},
    {u"x-cp1250", 1250},
    {u"x-cp1251", 1251},
    {u"windows-874", 874},
    {u"tis-620", 874},
    {u"iso-8859-11", 874},
    {u"utf-16", 1200},
    {u"utf-16le", 1200},
    {u"unicode", 1200},
    {u"ucs-2", 1200},
    {u"utf-16be", 1201},
    {u"unicodefffe", 1201},
    {u"utf-32", 12000},
    {u"utf-32le", 12000},
    {u"utf-32be", 12001},
    {u"koi8-r", 20866},
    {u"cskoi8r", 20866},
    {u"koi8-u", 21866},
    {u"ibm866", 866},
    {u"cp866", 866},
    {u"macintosh", 10000},
    {u"x-mac-roman", 10000},
};

}  // namespace

uint32_t CodePageForCharsetName(TextView name) {
    while (!name.empty() && (name.front() == u' ' || name.front() == u'\t'))
        name.remove_prefix(1);
    while (!name.empty() && (name.back() == u' ' || name.back() == u'\t'))
        name.remove_suffix(1);
    for (const CharsetName& entry : kCharsets)
        if (EqualsIgnoreAsciiCase(entry.name, name))
            return entry.codePage;
    return 0;
}

}  // namespace zem
