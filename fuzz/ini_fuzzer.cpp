// The INI text model (CZemIniFileEx) and the private-profile reader, on the same bytes.
// Promises checked: every value either reader finds, written back as a plain INI text of its
// sections and keys and read again, comes back the same (so lookups by section and key
// depend only on the names and values, not on the layout or on what else the file holds);
// the profile reader's result is its full value cut to the buffer; a file rewritten between
// two reads is read afresh.
#include <vector>

#include "config/ini_file.h"
#include "fuzz_support.h"
#include "platform/profile_ini.h"
#include "platform/text_decoding.h"
#include "util/text_helpers.h"

namespace zem::fuzz {
namespace {

constexpr size_t kMaxNames = 24;
const Text kMissing = u"<missing>";

// A name added unless one equal to it (as the reader compares names) is there already.
template <class Equal>
void AddName(std::vector<Text>& names, Text name, Equal equal) {
    if (names.size() >= kMaxNames)
        return;
    for (const Text& known : names)
        if (equal(known, name))
            return;
    names.push_back(std::move(name));
}

struct Names {
    std::vector<Text> sections, keys;
};

// The model's names: headers "[name]" and the text before "=" of other lines.
Names ModelNames(const TextList& lines) {
    Names names;
    const auto equal = [](TextView a, TextView b) { return EqualsIgnoreCase(a, b); };
    for (const Text& line : lines) {
        const Text trimmed = TrimText(line);
        if (trimmed.empty() || trimmed[0] == u';')
            continue;
        if (trimmed[0] == u'[') {
            if (trimmed.size() >= 2 && trimmed.back() == u']')
                AddName(names.sections, trimmed.substr(1, trimmed.size() - 2), equal);
        } else if (const size_t equals = trimmed.find(u'='); equals != Text::npos) {
            AddName(names.keys, trimmed.substr(0, equals), equal);
        }
    }
    return names;
}

void CheckModel(const Text& text) {
    CZemIniFileEx ini;
    ini.LoadText(text);
    TextList lines;
    SplitText(text, u'\n', lines);
    const Names names = ModelNames(lines);
    Text plain;
    for (const Text& section : names.sections) {
        plain += u"[" + section + u"]\n";
        for (const Text& key : names.keys) {
            const Text value = ini.GetString(section, key, kMissing.c_str());
            if (value != kMissing)
                plain += key + u"=" + value + u"\n";
        }
    }
    CZemIniFileEx again;
    again.LoadText(plain);
    for (const Text& section : names.sections)
        for (const Text& key : names.keys)
            Check(again.GetString(section, key, kMissing.c_str()) ==
                      ini.GetString(section, key, kMissing.c_str()),
                  "the model's values survive writing them back", Shown(section + u"/" + key));
}

// The profile reader's names: headers up to their last "]", and keys before "=" or whole
// lines, trimmed; keys before the first header belong to the nameless section.
Names ProfileNames(const TextList& lines) {
    Names names;
    names.sections.push_back(Text());
    const auto equal = [](TextView a, TextView b) { return EqualsIgnoreAsciiCase(a, b); };
    const auto trim = [](TextView text) {
        while (!text.empty() &&
               (text.front() == u' ' || text.front() == u'\t' || text.front() == u'\r' ||
                text.front() == u'\f' || text.front() == u'\v'))
            text.remove_prefix(1);
        while (!text.empty() &&
               (text.back() == u' ' || text.back() == u'\t' || text.back() == u'\r' ||
                text.back() == u'\f' || text.back() == u'\v'))
            text.remove_suffix(1);
        return Text(text);
    };
    for (const Text& raw : lines) {
        const Text line = trim(raw);
        if (line.empty() || line[0] == u';')
            continue;
        if (line[0] == u'[' && line.rfind(u']') != Text::npos) {
            AddName(names.sections, trim(TextView(line).substr(1, line.rfind(u']') - 1)), equal);
            continue;
        }
        // A key that opens with "[" could not be written back as a key line.
        const Text key = trim(TextView(line).substr(0, std::min(line.find(u'='), line.size())));
        if (key.empty() || key[0] != u'[')
            AddName(names.keys, key, equal);
    }
    return names;
}

// UTF-16LE with a mark: any text, lone surrogates included, is read back exactly.
std::string Utf16File(const Text& text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

Text Profile(const Text& section, const Text& key, const std::string& path, size_t buffer) {
    return GetPrivateProfileString(section, key, kMissing, PathText(path), buffer);
}

void CheckProfile(std::string_view bytes, const Text& text) {
    const std::string folder = ScratchRoot();
    const std::string file = folder + "input.ini", plainFile = folder + "plain.ini";
    WriteFile(file, bytes);
    TextList lines;
    SplitText(text, u'\n', lines);
    const Names names = ProfileNames(lines);
    Text plain;
    for (size_t i = 0; i < names.sections.size(); ++i) {
        const Text& section = names.sections[i];
        if (i > 0)  // the first is the nameless section before any header
            plain += u"[" + section + u"]\r\n";
        for (const Text& key : names.keys) {
            const Text value = Profile(section, key, file, 1 << 20);
            for (const size_t buffer : {0, 1, 2, 7})
                Check(
                    Profile(section, key, file, buffer) == value.substr(0, buffer ? buffer - 1 : 0),
                    "the profile reader cuts its value to the buffer");
            if (value != kMissing)
                plain += key + u"=\"" + value + u"\"\r\n";
        }
    }
    WriteFile(plainFile, Utf16File(plain));
    for (const Text& section : names.sections)
        for (const Text& key : names.keys)
            Check(Profile(section, key, plainFile, 1 << 20) == Profile(section, key, file, 1 << 20),
                  "the profile reader's values survive writing them back",
                  Shown(section + u"/" + key));
}

}  // namespace
}  // namespace zem::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zem;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Text text;
    DecodeText(bytes, CharsetDeclaration::kNone, text);
    fuzz::CheckModel(text);
    fuzz::CheckProfile(bytes, text);
    return 0;
}
