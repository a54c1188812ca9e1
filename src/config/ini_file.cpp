#include "config/ini_file.h"

#include "util/text_helpers.h"

namespace zem {

void CZemIniFileEx::LoadText(TextView text) {
    lines_.clear();
    SplitText(text, u'\n', lines_);
}

Text CZemIniFileEx::GetString(TextView section, TextView key, const char16_t* defaultValue) const {
    const Text header = FormatText(u"[%1]", section);
    const Text prefix = FormatText(u"%1=", key);
    bool inSection = false;
    for (const Text& line : lines_) {
        const Text trimmed = TrimText(line);
        if (trimmed.empty() || trimmed.front() == u';')
            continue;
        if (!inSection) {
            inSection = trimmed.front() == u'[' && EqualsIgnoreCase(trimmed, header);
            continue;
        }
        // Only the first section of that name is searched: the next header ends it.
        if (trimmed.front() == u'[')
            break;
        if (StartsWithIgnoreCase(trimmed, prefix))
            return trimmed.substr(prefix.size());
    }
    return defaultValue ? Text(defaultValue) : Text();
}

}  // namespace zem
