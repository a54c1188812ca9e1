#include "platform/registry.h"

#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/atomic_write.h"
#include "platform/files.h"
#include "platform/posix/posix_helpers.h"

namespace zem {

namespace {

constexpr std::u16string_view kRoot = u"HKEY_CURRENT_USER\\";

// Writers in this process take turns; each write reads the file afresh and replaces it.
std::mutex g_writeLock;

// The hive as its lines. Reading walks them; writing edits the few lines of one value and
// keeps every other line as it stands, so nothing the program does not understand is lost.
using Lines = std::vector<Text>;

Lines ParseLines(std::string bytes) {
    Lines lines;
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.erase(0, 3);
    const Text text = FromUtf8(bytes);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == Text::npos)
            end = text.size();
        Text line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// The lines are read again only when the file changed (see FileStamp): the program asks for
// the same few values over and over, for every imported note.
std::shared_ptr<const Lines> LoadLines() {
    static std::mutex lock;
    static std::string cachedName;
    static FileStamp cachedStamp;
    static std::shared_ptr<const Lines> cachedLines;
    static const auto kMissing = std::make_shared<const Lines>();
    std::string native, bytes;
    struct stat st;
    if (!posix::ToNativeName(GetRegistryFilePath(), native) || stat(native.c_str(), &st) != 0)
        return kMissing;  // a missing hive is an empty one
    const FileStamp stamp = posix::StampOf(st);
    std::lock_guard guard(lock);
    if (cachedLines && native == cachedName && IsSameUnchangedFile(cachedStamp, stamp))
        return cachedLines;
    if (!posix::ReadWholeFile(native, bytes))
        return kMissing;
    cachedName = native;
    cachedStamp = stamp;
    cachedLines = std::make_shared<const Lines>(ParseLines(std::move(bytes)));
    return cachedLines;
}

Text NormalizeKeyPath(TextView keyPath) {
    while (!keyPath.empty() && keyPath.front() == u'\\')
        keyPath.remove_prefix(1);
    while (!keyPath.empty() && keyPath.back() == u'\\')
        keyPath.remove_suffix(1);
    return Text(keyPath);
}

// The key path of a section line "[HKEY_CURRENT_USER\...]"; false for any other line.
// A section of another root hive, or one that deletes a key, sets `ours` to false.
bool ParseSection(TextView line, bool& ours, Text& keyPath) {
    while (!line.empty() && (line.back() == u' ' || line.back() == u'\t'))
        line.remove_suffix(1);
    if (line.size() < 2 || line.front() != u'[' || line.back() != u']')
        return false;
    const TextView inner = line.substr(1, line.size() - 2);
    ours =
        inner.size() >= kRoot.size() && EqualsIgnoreAsciiCase(inner.substr(0, kRoot.size()), kRoot);
    if (ours)
        keyPath = NormalizeKeyPath(inner.substr(kRoot.size()));
    return true;
}

// Reads a quoted text with \\ and \" escapes starting at `at` (on the opening quote).
bool ParseQuoted(TextView line, size_t& at, Text& text) {
    if (at >= line.size() || line[at] != u'"')
        return false;
    text.clear();
    for (++at; at < line.size(); ++at) {
        char16_t c = line[at];
        if (c == u'"') {
            ++at;
            return true;
        }
        if (c == u'\\' && at + 1 < line.size() && (line[at + 1] == u'\\' || line[at + 1] == u'"'))
            c = line[++at];
        text += c;
    }
    return false;
}

struct ValueLine {
    Text name;
    enum Kind { kText, kDword, kOther } kind = kOther;
    Text text;
    uint32_t dword = 0;
};

// A value line: "Name"="text", "Name"=dword:0000abcd, or "Name"= followed by any other form
// (kept but not readable here). "@" names the default value.
bool ParseValue(TextView line, ValueLine& value) {
    size_t at = 0;
    while (at < line.size() && (line[at] == u' ' || line[at] == u'\t'))
        ++at;
    if (at < line.size() && line[at] == u'@') {
        value.name.clear();
        ++at;
    } else if (!ParseQuoted(line, at, value.name)) {
        return false;
    }
    while (at < line.size() && line[at] == u' ')
        ++at;
    if (at >= line.size() || line[at] != u'=')
        return false;
    ++at;
    while (at < line.size() && line[at] == u' ')
        ++at;
    TextView rest = line.substr(at);
    while (!rest.empty() && (rest.back() == u' ' || rest.back() == u'\t'))
        rest.remove_suffix(1);
    value.kind = ValueLine::kOther;
    if (!rest.empty() && rest.front() == u'"') {
        size_t end = 0;
        if (ParseQuoted(rest, end, value.text) && end == rest.size())
            value.kind = ValueLine::kText;
        return true;
    }
    constexpr TextView kDwordPrefix = u"dword:";
    if (rest.size() > kDwordPrefix.size() && rest.size() <= kDwordPrefix.size() + 8 &&
        EqualsIgnoreAsciiCase(rest.substr(0, kDwordPrefix.size()), kDwordPrefix)) {
        uint32_t number = 0;
        for (const char16_t c : rest.substr(kDwordPrefix.size())) {
            const int digit = HexDigitValue(c);
            if (digit < 0)
                return true;
            number = number * 16 + static_cast<uint32_t>(digit);
        }
        value.kind = ValueLine::kDword;
        value.dword = number;
    }
    return true;
}

// Calls `visit(index, value)` for each value line of the key, in file order. Lines that
// continue a value over several lines (ending with "\") belong to the value before them.
template <class Visit>
void ForEachValueOfKey(const Lines& lines, const Text& keyPath, Visit visit) {
    bool inKey = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        bool ours = false;
        Text sectionKey;
        if (ParseSection(lines[i], ours, sectionKey)) {
            inKey = ours && EqualsIgnoreAsciiCase(sectionKey, keyPath);
            continue;
        }
        ValueLine value;
        if (inKey && ParseValue(lines[i], value))
            visit(i, value);
    }
}

// The value as a later import of the file would leave it: the last line for the name wins.
bool FindValue(const Text& keyPath, const Text& valueName, ValueLine& found) {
    bool any = false;
    const std::shared_ptr<const Lines> lines = LoadLines();
    ForEachValueOfKey(*lines, NormalizeKeyPath(keyPath), [&](size_t, const ValueLine& value) {
        if (EqualsIgnoreAsciiCase(value.name, valueName)) {
            found = value;
            any = true;
        }
    });
    if (!any)
        SetLastErrorCode(ENOENT);
    return any;
}

Text Escape(TextView text) {
    Text out;
    for (const char16_t c : text) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    return out;
}

// Line ends and NULs have no place in a one-line text value; accepting them would break
// the file for every later reader.
bool IsStorable(TextView text) {
    return text.find_first_of(TextView(u"\r\n\0", 3)) == TextView::npos;
}

size_t ContinuationEnd(const Lines& lines, size_t i) {
    while (i < lines.size() && !lines[i].empty() && lines[i].back() == u'\\')
        ++i;
    return std::min(i + 1, lines.size());
}

bool SaveLines(const Lines& lines) {
    std::string native;
    if (!posix::ToNativeName(GetRegistryFilePath(), native))
        return false;
    // A hive file that is a link (to a dotfiles folder, say) stays one: its target is replaced.
    if (char* target = realpath(native.c_str(), nullptr)) {
        native = target;
        free(target);
    }
    const size_t slash = native.rfind('/');
    if (slash != std::string::npos && slash > 0 &&
        !posix::MakeFolders(native.substr(0, slash), 0700))
        return false;
    // The reader drops one byte-order mark at the start and one carriage return at the end of
    // each line; a line that has such a character of its own keeps it behind a mark or
    // before a CR LF, so that the write changes no line.
    std::string bytes =
        !lines.empty() && lines.front().starts_with(u'\uFEFF') ? "\xEF\xBB\xBF" : "";
    for (const Text& line : lines)
        bytes += ToUtf8(line) + (line.ends_with(u'\r') ? "\r\n" : "\n");
    // Forced to disk: settings are written seldom and a power loss must not take them.
    return WriteFileAtomically(FromFileSystemBytes(native), bytes, FileSync::kToDisk,
                               FileAccess::kOwnerOnly);
}

bool WriteValueLine(const Text& keyPath, const Text& valueName, const Text& data) {
    const Text key = NormalizeKeyPath(keyPath);
    if (!IsStorable(key) || !IsStorable(valueName) || key.find(u']') != Text::npos) {
        SetLastErrorCode(EINVAL);
        return false;
    }
    const Text line = u"\"" + Escape(valueName) + u"\"=" + data;
    std::lock_guard lock(g_writeLock);
    Lines lines = *LoadLines();
    if (lines.empty())
        lines = {u"REGEDIT4", u""};

    // Drop every line that holds this value, then put the new one at the end of the key's
    // last section (or of a new section).
    std::vector<std::pair<size_t, size_t>> drop;
    ForEachValueOfKey(lines, key, [&](size_t i, const ValueLine& value) {
        if (EqualsIgnoreAsciiCase(value.name, valueName))
            drop.emplace_back(i, ContinuationEnd(lines, i));
    });
    for (auto it = drop.rbegin(); it != drop.rend(); ++it)
        lines.erase(lines.begin() + it->first, lines.begin() + it->second);

    size_t insertAt = Text::npos;
    bool inKey = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        bool ours = false;
        Text sectionKey;
        if (ParseSection(lines[i], ours, sectionKey)) {
            inKey = ours && EqualsIgnoreAsciiCase(sectionKey, key);
            if (inKey)
                insertAt = i + 1;
        } else if (inKey && !lines[i].empty()) {
            insertAt = i + 1;
        }
    }
    if (insertAt == Text::npos) {
        if (!lines.empty() && !lines.back().empty())
            lines.push_back(u"");
        lines.push_back(u"[" + Text(kRoot) + key + u"]");
        insertAt = lines.size();
    }
    lines.insert(lines.begin() + static_cast<ptrdiff_t>(insertAt), line);
    return SaveLines(lines);
}

}  // namespace

Text GetRegistryFilePath() {
    const char* file = getenv("ZEM_REGISTRY");
    if (file && *file)
        return FromFileSystemBytes(file);
    std::string config;
    if (const char* xdg = getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        config = xdg;
    } else if (const char* home = getenv("HOME"); home && *home) {
        config = std::string(home) + "/.config";
    } else {
        config = ToFileSystemBytes(GetCurrentDirectory()) + "/.config";
    }
    return FromFileSystemBytes(config + "/zem/user.reg");
}

bool RegistryReadText(const Text& keyPath, const Text& valueName, Text& value) {
    ValueLine found;
    if (!FindValue(keyPath, valueName, found))
        return false;
    if (found.kind != ValueLine::kText) {
        SetLastErrorCode(EINVAL);
        return false;
    }
    value = found.text;
    return true;
}

bool RegistryReadDword(const Text& keyPath, const Text& valueName, uint32_t& value) {
    ValueLine found;
    if (!FindValue(keyPath, valueName, found))
        return false;
    if (found.kind != ValueLine::kDword) {
        SetLastErrorCode(EINVAL);
        return false;
    }
    value = found.dword;
    return true;
}

bool RegistryWriteText(const Text& keyPath, const Text& valueName, const Text& value) {
    if (!IsStorable(value)) {
        SetLastErrorCode(EINVAL);
        return false;
    }
    return WriteValueLine(keyPath, valueName, u"\"" + Escape(value) + u"\"");
}

bool RegistryWriteDword(const Text& keyPath, const Text& valueName, uint32_t value) {
    char digits[16];
    snprintf(digits, sizeof digits, "dword:%08x", value);
    return WriteValueLine(keyPath, valueName, FromUtf8(digits));
}

}  // namespace zem
