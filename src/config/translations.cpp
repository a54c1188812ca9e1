#include "config/translations.h"

#include <algorithm>

#include "config/global.h"
#include "platform/files.h"
#include "platform/profile_ini.h"
#include "platform/ui/resource_table.h"
#include "platform/ui/window.h"
#include "util/paths.h"
#include "util/text_file_reader.h"
#include "util/text_helpers.h"

namespace zem {

namespace {

// A relative path joined to the folder, "." and ".." pieces resolved, the edition's separator
// throughout (the file may have been written with either).
Text CombinePath(const Text& folder, Text value) {
    for (char16_t& c : value)
        if (c == u'\\' || c == u'/')
            c = kPathSeparator;
    const Text joined = IsAbsolutePath(value) ? value : folder + value;
    // The root ("/", "C:\\") stays as it is; the pieces after it are resolved.
    size_t start = 0;
    Text path(1, kPathSeparator);
    if (IsAbsolutePath(joined)) {
        start = static_cast<size_t>(std::find_if(joined.begin(), joined.end(), IsPathSeparator) -
                                    joined.begin() + 1);
        path = joined.substr(0, start);
    }
    TextList kept;
    for (size_t end = start; start <= joined.size(); start = end + 1) {
        end = static_cast<size_t>(std::find_if(joined.begin() + static_cast<ptrdiff_t>(start),
                                               joined.end(), IsPathSeparator) -
                                  joined.begin());
        const Text piece = joined.substr(start, end - start);
        if (piece.empty() || piece == u".")
            continue;
        if (piece == u"..") {
            if (!kept.empty())
                kept.pop_back();
            continue;
        }
        kept.push_back(piece);
    }
    const size_t rootLength = path.size();
    path += JoinTexts(kept, Text(1, kPathSeparator));
    if (!joined.empty() && IsPathSeparator(joined.back()) && path.size() > rootLength)
        path += kPathSeparator;
    return path;
}

Text ReplaceProductToken(Text text) {
    ReplaceAll(text, u"{p}", QueryProductName());
    return text;
}

}  // namespace

const Text* CZemTranslationsStringTable::Find(const Text& key) const {
    auto found = entries.find(key);
    return found == entries.end() ? nullptr : &found->second;
}

CZemTranslationsStringTable& GetTranslationTable() {
    static CZemTranslations translations;
    return translations.stringTable;
}

bool LoadTranslationFile(CZemTranslationsStringTable& table, const Text& path) {
    Text content;
    if (!LoadTextFile(path, content))
        return false;
    TextList lines;
    SplitText(content, u'\n', lines);
    for (const Text& raw : lines) {
        Text line = TrimText(raw);
        if (line.empty() || line[0] == u';')
            continue;
        size_t equals = line.find(u'=');
        if (equals == Text::npos)
            continue;
        table.Set(line.substr(0, equals), line.substr(equals + 1));
    }
    return true;
}

bool LoadTranslationsFrom(CZemTranslationsStringTable& table, const Text& folder,
                          const Text& baseName) {
    if (folder.empty())
        return false;
    Text ownFile = folder + baseName + u".ini";
    if (!PathExists(ownFile))
        return false;
    LoadTranslationFile(table, folder + u"globals.ini");
    LoadTranslationFile(table, folder + u"share.ini");
    return LoadTranslationFile(table, ownFile);
}

bool LoadTranslations() {
    return LoadTranslationsFrom(GetTranslationTable(), GetLanguageFolder(),
                                GetBaseName(GetModulePath()));
}

Text ComputeTranslationsRoot(const Text& programFolder) {
    Text root;
    Text iniPath = programFolder + u"translations.ini";
    if (PathExists(iniPath)) {
        Text value = GetPrivateProfileString(u"Common", u"Path", u"", iniPath, 260);
        if (!value.empty())
            root = CombinePath(programFolder, value);
    }
    if (root.empty())
        root = programFolder + ToNativeSeparators(u"translations/");
    AddTrailingSeparator(root);
    return root;
}

Text GetTranslationsRoot() {
    static const Text root = ComputeTranslationsRoot(GetProgramFolder());
    return root;
}

Text GetLanguageFolderIn(const Text& root, uint32_t language) {
    if (language == 0)
        return Text();
    Text folder = root + Int64ToText(language) + kPathSeparator;
    return PathExists(folder) ? folder : Text();
}

Text GetLanguageFolder() {
    return GetLanguageFolderIn(GetTranslationsRoot(), GetUILanguage());
}

Text GetLanguageOrDefaultFolder() {
    Text folder = GetLanguageFolder();
    return folder.empty() ? GetProgramFolder() + ToNativeSeparators(u"translations/default/")
                          : folder;
}

Text EscapeText(TextView text) {
    Text escaped;
    escaped.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
            case u'\t':
                escaped += u"\\t";
                break;
            case u'\n':
                escaped += u"\\n";
                break;
            case u'\r':
                escaped += u"\\r";
                break;
            case u'"':
                escaped += u"\"\"";
                break;
            case u'\\':
                escaped += u"\\\\";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

Text UnescapeText(TextView text) {
    Text plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
        if (c == u'\\' && next == u'\\') {
            plain += u'\\';
            ++i;
        } else if (c == u'\\' && (next == u'r' || next == u'n' || next == u't')) {
            plain += next == u'r' ? u'\r' : next == u'n' ? u'\n' : u'\t';
            ++i;
        } else if (c == u'"' && next == u'"') {
            plain += u'"';
            ++i;
        } else {
            plain += c;
        }
    }
    return plain;
}

bool Translate(const CZemTranslationsStringTable& table, const Text& text, Text& result) {
    result = text;
    if (EqualsIgnoreCase(text, u"{p}")) {
        result = QueryProductName();
        return true;
    }
    if (text.empty())
        return false;
    const Text* found = table.Find(EscapeText(text));
    if (found) {
        Text translated = ReplaceProductToken(found->size() > 1 ? UnescapeText(*found) : *found);
        if (!translated.empty()) {
            result = translated;
            return true;
        }
    }
    result = ReplaceProductToken(text);
    return true;
}

Text TranslateResourceString(int id) {
    Text text;
    if (!ui::LoadString(id, text))
        return Text();
    Text result;
    Translate(GetTranslationTable(), text, result);
    return result;
}

Text TranslateResourceStringArg(int id, const Text& argument) {
    return FormatText(TranslateResourceString(id), argument);
}

void TranslateWindow(const CZemTranslationsStringTable& table, ui::Window& window) {
    const Text& className = window.ClassName();
    if (!EqualsIgnoreCase(className, u"Edit") && !EqualsIgnoreCase(className, u"ComboBox")) {
        Text text = window.GetText();
        if (!text.empty()) {
            Text translated;
            Translate(table, text, translated);
            window.SetText(translated);
        }
    }
    ui::EnumChildWindows(window, [&table](ui::Window& child) {
        TranslateWindow(table, child);
        return true;
    });
}

}  // namespace zem
