// The links of CSS text: url(...) with or without quotes, @import "..." (whose url() form is
// a url() as well), and the strings of image-set() and -webkit-image-set(). Comments and
// other strings hold none.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zem::kmcore {

struct CssReference {
    size_t begin = 0, end = 0;  // the link as written, its quotes left out
    char quote = 0;             // '"' or '\'' when quoted
    std::string link;           // with CSS escapes undone
};

std::vector<CssReference> FindCssReferences(std::string_view css);

// `link` written for the place of a CssReference with that quote: escaped so that it ends
// neither the string nor the url() and cannot end an HTML element's text either.
std::string CssEscapedLink(std::string_view link, char quote);

}  // namespace zem::kmcore
