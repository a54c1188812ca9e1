// The host's default document style: the default CSS file with its five placeholders filled
// from the user's document settings (or fixed defaults), wrapped in one style element with
// the id "zem_custom_css" and placed before the end of the HTML head.
#pragma once

#include "platform/text.h"

namespace zem {

bool InsertDefaultCssIntoFile(const Text& htmlPath);
bool InsertDefaultCss(Text& html);
bool RemoveCustomCssBlock(Text& html);
// Inserts before the first "</head" (any case), else at the start; returns the new length.
size_t InsertBeforeHeadEnd(Text& html, TextView block);
Text GetMenuFontName();
Text GetDefaultCssFilePath();

}  // namespace zem
