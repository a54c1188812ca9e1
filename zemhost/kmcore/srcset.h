// The picture candidates of a srcset attribute, split as a browser splits them.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

namespace zem::kmcore {

// The byte ranges of the candidates' links in `value` (the attribute's decoded value), in
// order; the descriptors after them ("2x", "300w") are not part of the ranges.
std::vector<std::pair<size_t, size_t>> SrcsetLinks(std::string_view value);

}  // namespace zem::kmcore
