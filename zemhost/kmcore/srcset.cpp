#include "srcset.h"

#include "platform/text.h"

namespace zem::kmcore {

std::vector<std::pair<size_t, size_t>> SrcsetLinks(std::string_view value) {
    std::vector<std::pair<size_t, size_t>> links;
    const size_t n = value.size();
    size_t i = 0;
    for (;;) {
        while (i < n && (IsHtmlSpace(value[i]) || value[i] == ','))
            ++i;
        if (i >= n)
            return links;
        const size_t begin = i;
        while (i < n && !IsHtmlSpace(value[i]))
            ++i;
        size_t end = i;
        // A link ending in commas has no descriptors: the commas end the candidate.
        if (value[end - 1] == ',') {
            while (end > begin && value[end - 1] == ',')
                --end;
            if (end > begin)
                links.emplace_back(begin, end);
            continue;
        }
        links.emplace_back(begin, end);
        // The descriptors run to a comma that is not inside parentheses.
        bool inParentheses = false;
        for (; i < n; ++i) {
            if (inParentheses) {
                inParentheses = value[i] != ')';
            } else if (value[i] == '(') {
                inParentheses = true;
            } else if (value[i] == ',') {
                ++i;
                break;
            }
        }
    }
}

}  // namespace zem::kmcore
