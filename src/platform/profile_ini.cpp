#include "platform/profile_ini.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text_decoding.h"

namespace zem {

namespace {

struct IniSection {
    Text name;
    std::vector<std::pair<Text, Text>> entries;  // key, trimmed value
};
using IniFile = std::vector<IniSection>;

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\f' || c == u'\v';
}

TextView Trim(TextView text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

Text DecodeIniBytes(std::string_view bytes) {
    Text text;
    // An INI file declares no character set inside itself.
    DecodeText(bytes, CharsetDeclaration::kNone, text);
    return text;
}

IniFile ParseIni(TextView text) {
    IniFile file(1);  // keys before the first section belong to a nameless one
    while (!text.empty()) {
        const size_t end = std::min(text.find(u'\n'), text.size());
        const TextView line = Trim(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const size_t close = line.rfind(u']');
            if (close != TextView::npos) {
                file.push_back({Text(Trim(line.substr(1, close - 1))), {}});
                continue;
            }
        }
        const size_t equals = line.find(u'=');
        if (equals == TextView::npos)
            file.back().entries.emplace_back(Text(line), Text());
        else
            file.back().entries.emplace_back(Text(Trim(line.substr(0, equals))),
                                             Text(Trim(line.substr(equals + 1))));
    }
    return file;
}

// Parsed files, reused while the file on disk is unchanged (see FileStamp): callers read
// many keys of the same few files, one call each.
struct CachedIni {
    FileStamp stamp;
    std::shared_ptr<const IniFile> file;
};

std::shared_ptr<const IniFile> LoadIni(const Text& path) {
    static std::mutex lock;
    static std::map<Text, CachedIni> cache;
    FileStamp stamp;
    if (!GetFileStamp(path, stamp))
        return nullptr;
    std::lock_guard guard(lock);
    if (cache.size() > 64 && !cache.contains(path))
        cache.clear();
    CachedIni& cached = cache[path];
    if (cached.file && IsSameUnchangedFile(cached.stamp, stamp))
        return cached.file;
    // A folder, pipe or device at the path is no INI file; none is waited on.
    std::string bytes;
    if (!ReadRegularFile(path, bytes)) {
        cache.erase(path);
        return nullptr;
    }
    cached = {stamp, std::make_shared<const IniFile>(ParseIni(DecodeIniBytes(bytes)))};
    return cached.file;
}

Text CutToBuffer(TextView text, size_t bufferChars) {
    return Text(text.substr(0, bufferChars ? bufferChars - 1 : 0));
}

}  // namespace

Text GetPrivateProfileString(const Text& section, const Text& key, const Text& defaultValue,
                             const Text& iniPath, size_t bufferChars) {
    if (const auto file = LoadIni(iniPath)) {
        for (const IniSection& candidate : *file) {
            if (!EqualsIgnoreAsciiCase(candidate.name, section))
                continue;
            // Only the first section of the name is searched.
            for (const auto& [name, value] : candidate.entries) {
                if (!EqualsIgnoreAsciiCase(name, key))
                    continue;
                TextView result = value;
                if (result.size() >= 2 && (result.front() == u'"' || result.front() == u'\'') &&
                    result.back() == result.front())
                    result = result.substr(1, result.size() - 2);
                return CutToBuffer(result, bufferChars);
            }
            break;
        }
    }
    TextView fallback = defaultValue;
    while (!fallback.empty() && IsBlank(fallback.back()))
        fallback.remove_suffix(1);
    return CutToBuffer(fallback, bufferChars);
}

}  // namespace zem
