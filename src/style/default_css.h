// The host's default document style: the default CSS file with its five placeholders filled
// from the user's document settings (or fixed defaults), wrapped in one style element with
// the id "zem_custom_css" and placed before the end of the HTML head.
//
// Caches (process-wide, user-interface thread only): the style sheet's text, read again when
// its file's stamp changes (CachedTextFile), and the sheet with its placeholders filled,
// filled again when the text or one of the five declarations differs from the last call.
// The document settings themselves are asked of the host on every call.
#pragma once

#include "platform/text.h"

namespace zem {

// `html` receives the HTML file's text with the style inserted, or as it stands when the
// style could not be made (false, logged, in both failure cases).
bool LoadHtmlWithDefaultCss(const Text& htmlPath, Text& html);
// Leaves `html` unchanged when it fails.
bool InsertDefaultCss(Text& html);
bool RemoveCustomCssBlock(Text& html);
// Inserts before the first "</head" (any case), else at the start; returns the new length.
size_t InsertBeforeHeadEnd(Text& html, TextView block);
Text GetMenuFontName();
Text GetDefaultCssFilePath();

}  // namespace zem
