// Links resolved as a browser resolves them against the address of the page or of its base,
// and told apart into local files and the rest. Links are UTF-8, as decoded from the page.
#pragma once

#include <string>
#include <string_view>

namespace zem::kmcore {

// The link as a browser reads it: white space and control characters around it dropped, tabs
// and line breaks in it removed.
std::string CleanLink(std::string_view link);

// `link` (cleaned) resolved against the absolute address `base`; empty when it cannot be.
// Against a file: base, a Windows drive path ("C:\folder\a.png") names that file.
std::string ResolveLink(std::string_view base, std::string_view link);

// True when `link` (cleaned) names its own scheme ("http:", "data:"...).
bool HasScheme(std::string_view link);

// The file: address of an absolute path (UTF-8, "/"-separated).
std::string FileAddress(std::string_view path);
// The path of a file: address on this machine, percent-decoded, empty segments dropped; false
// for other addresses and for paths a decoded "%2F.." or "%00" would change.
bool LocalFilePath(std::string_view address, std::string& path);

// The "?query#fragment" end of a link, empty when it has none.
std::string_view LinkSuffix(std::string_view link);

}  // namespace zem::kmcore
