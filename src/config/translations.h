// User-interface translations: one process-wide table filled at start-up from the
// translation files of the user's language, then only read (user-interface thread).
//
// Keys and texts are stored escaped: tab, line feed and carriage return as "\t", "\n",
// "\r", a double quote doubled, a backslash doubled. Every shown text goes through
// Translate, which also replaces the token "{p}" by the product name.
#pragma once

#include <cstdint>
#include <map>

#include "platform/text.h"

namespace zem {

namespace ui {
class Window;
}

// Escaped key -> escaped translation, ordered by UTF-16 code units; lookups are exact.
class CZemTranslationsStringTable {
  public:
    CZemTranslationsStringTable() = default;
    virtual ~CZemTranslationsStringTable() = default;

    // Stores the pair, replacing the text of an existing key.
    void Set(const Text& key, const Text& text) { entries[key] = text; }
    // The stored text, or null.
    const Text* Find(const Text& key) const;

    std::map<Text, Text> entries;
};

class CZemTranslations {
  public:
    CZemTranslations() = default;
    virtual ~CZemTranslations() = default;

    CZemTranslationsStringTable stringTable;
};

// The process-wide translation table (empty until LoadTranslations fills it).
CZemTranslationsStringTable& GetTranslationTable();

// Fills the process-wide table from the language folder: "globals.ini", "share.ini", then
// the program's own "<executable base name>.ini". False (nothing loaded) when the language
// folder or the program's own file is missing; else the result of the last file's load.
bool LoadTranslations();
// The same from a given folder (ending with a separator) and program base name.
bool LoadTranslationsFrom(CZemTranslationsStringTable& table, const Text& folder,
                          const Text& baseName);
// Adds the "key=text" lines of one file (any encoding the text loader reads). Blank lines,
// lines starting with ";" and lines without "=" are skipped; neither side is trimmed
// beyond the line itself. False when the file cannot be read.
bool LoadTranslationFile(CZemTranslationsStringTable& table, const Text& path);

// "Path" of [Common] in the program folder's "translations.ini" (relative to the program
// folder or absolute), else program folder + "translations/"; ends with a separator.
// Computed once per process.
Text GetTranslationsRoot();
// The same for a given program folder, computed afresh.
Text ComputeTranslationsRoot(const Text& programFolder);
// Root + decimal UI language + "/", when the language is not 0 and the folder exists; else
// empty. Computed on every call.
Text GetLanguageFolder();
Text GetLanguageFolderIn(const Text& root, uint32_t language);
// The language folder when it exists, else program folder + "translations/default/".
Text GetLanguageOrDefaultFolder();

Text EscapeText(TextView text);
Text UnescapeText(TextView text);

// `result` = the translation of `text` (or `text` itself), with "{p}" replaced by the
// product name. False only for an empty text.
bool Translate(const CZemTranslationsStringTable& table, const Text& text, Text& result);
// The string-table text of `id`, translated; empty when the table lacks the id.
Text TranslateResourceString(int id);
// The same with "%1" filled by `argument` (FormatText).
Text TranslateResourceStringArg(int id, const Text& argument);
// Translates the texts of the window and of every descendant (each descendant once for
// every ancestor up to `window`); edit and combo-box texts are left alone.
void TranslateWindow(const CZemTranslationsStringTable& table, ui::Window& window);

}  // namespace zem
