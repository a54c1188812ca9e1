// Taking an HTML page in as a document's content.
#pragma once

#include "platform/text.h"

namespace zem::kmcore {

// Makes `contentFolder` (ending with "/") hold the page of `htmlFile`: index.html in UTF-8
// with a <meta charset="utf-8">, and in index_files/ a copy of every local file inside the
// page's folder that the page (outside template content, comments and text) fetches or
// links, the links rewritten to those copies and all else byte for byte. Files the page's
// style sheets link are copied along. False when the page cannot be read or written (the
// previous index.html then stays as it was), and also when a linked file could not be copied
// (the page is written all the same, that link left as it was).
bool ImportHtmlFile(const Text& htmlFile, const Text& contentFolder);

}  // namespace zem::kmcore
