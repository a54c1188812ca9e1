// Taking an HTML page in as a document's content.
#pragma once

#include "platform/text.h"

namespace zem::kmcore {

// Makes `contentFolder` (ending with "/") hold the page of `htmlFile`: index.html in UTF-8
// with a <meta charset="utf-8">, and in index_files/ a copy of every local file the page
// links by a relative path inside the page's folder, the links rewritten to those copies.
// Files the page's style sheets link are copied along. False when the page cannot be read
// or written (the previous index.html then stays as it was), and also when a linked file
// could not be copied (the page is written all the same).
bool ImportHtmlFile(const Text& htmlFile, const Text& contentFolder);

}  // namespace zem::kmcore
