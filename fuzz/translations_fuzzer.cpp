// The translation loader. The input is a translation file, and its first line is also the
// Path value of a translations.ini that names the translation root. Promises checked: any
// file loads; the table written back as key=text lines loads to the same table; escaping
// undoes; every translation is found by the text it translates; the translation root is an
// absolute folder with no "." or ".." piece, ending with a separator.
#include "config/global.h"
#include "config/translations.h"
#include "fuzz_support.h"
#include "platform/files.h"
#include "util/text_helpers.h"

namespace zem::fuzz {
namespace {

std::string Utf16File(const Text& text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

CZemTranslationsStringTable Load(const std::string& path) {
    CZemTranslationsStringTable table;
    Check(LoadTranslationFile(table, PathText(path)), "a translation file loads");
    return table;
}

void CheckTable(const std::string& folder, const CZemTranslationsStringTable& table) {
    Text lines;
    for (const auto& [key, text] : table.entries)
        lines += key + u"=" + text + u"\r\n";
    WriteFile(folder + "again.ini", Utf16File(lines));
    Check(Load(folder + "again.ini").entries == table.entries,
          "the table written back loads to the same table");
    for (const auto& [key, text] : table.entries) {
        Check(UnescapeText(EscapeText(text)) == text, "escaping undoes", Shown(text));
        const Text source = UnescapeText(key);
        if (source.empty() || EscapeText(source) != key || EqualsIgnoreCase(source, u"{p}"))
            continue;
        Text translated;
        Translate(table, source, translated);
        // An empty translation leaves the text itself, its product token replaced.
        Text expected = text.size() > 1 ? UnescapeText(text) : text;
        ReplaceAll(expected, u"{p}", QueryProductName());
        if (expected.empty()) {
            expected = source;
            ReplaceAll(expected, u"{p}", QueryProductName());
        }
        Check(translated == expected, "a translation is found by its text",
              Shown(source) + " gave " + Shown(translated) + ", not " + Shown(expected));
    }
}

void CheckRoot(const std::string& folder, const Text& path) {
    WriteFile(folder + "translations.ini", ToUtf8(u"[Common]\nPath=" + path + u"\n"));
    const Text root = ComputeTranslationsRoot(PathText(folder));
    Check(IsAbsolutePath(root) && IsPathSeparator(root.back()),
          "the translation root is an absolute folder", Shown(root));
    for (const TextView piece : {u"/./", u"/../", u"//"})
        Check(root.find(piece) == Text::npos, "the translation root has no empty, . or .. piece",
              Shown(root));
}

}  // namespace
}  // namespace zem::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zem;
    using namespace zem::fuzz;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string folder = ScratchRoot();
    WriteFile(folder + "input.ini", bytes);
    CheckTable(folder, Load(folder + "input.ini"));
    const std::string_view first = bytes.substr(0, std::min(bytes.find('\n'), bytes.size()));
    CheckRoot(folder, FromFileSystemBytes(first));
    return 0;
}
