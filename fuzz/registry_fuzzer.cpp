// The registry file reader and writer of the Linux edition (a REGEDIT4 text file). The input
// is a value to write (key, name, text) and then the file's bytes. Promises checked: a write
// that succeeds reads back exactly and leaves every other value of the file as it read
// before; a write that fails leaves the file alone; writing the same value again changes
// nothing; a value read as text or as a number is the same after the file is rewritten.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>

#include <map>
#include <optional>
#include <vector>

#include "fuzz_support.h"
#include "platform/registry.h"
#include "util/text_helpers.h"

namespace zem::fuzz {
namespace {

constexpr size_t kMaxNames = 24;

struct ValueName {
    Text key, name;
};

struct Reading {
    std::optional<Text> text;
    std::optional<uint32_t> dword;
    bool operator==(const Reading&) const = default;
};

Reading Read(const ValueName& value) {
    Reading reading;
    Text text;
    uint32_t dword = 0;
    if (RegistryReadText(value.key, value.name, text))
        reading.text = text;
    if (RegistryReadDword(value.key, value.name, dword))
        reading.dword = dword;
    return reading;
}

// Candidate keys (from section lines) and value names (the first quoted text of a line, or
// "@"); names that are no value of the file just read as missing.
std::vector<ValueName> CandidateValues(const Text& text) {
    std::vector<Text> keys{u"Software\\Zem"}, names{u"AppPath", Text()};
    TextList lines;
    SplitText(text, u'\n', lines);
    constexpr TextView kRoot = u"[HKEY_CURRENT_USER\\";
    for (const Text& line : lines) {
        if (line.size() > kRoot.size() &&
            EqualsIgnoreCase(TextView(line).substr(0, kRoot.size()), kRoot)) {
            const size_t close = line.rfind(u']');
            if (close != Text::npos && close > kRoot.size() && keys.size() < kMaxNames)
                keys.push_back(line.substr(kRoot.size(), close - kRoot.size()));
        } else if (const size_t open = line.find(u'"'); open != Text::npos) {
            const size_t close = line.find(u'"', open + 1);
            if (close != Text::npos && names.size() < kMaxNames)
                names.push_back(line.substr(open + 1, close - open - 1));
        }
    }
    std::vector<ValueName> values;
    for (const Text& key : keys)
        for (const Text& name : names)
            values.push_back({key, name});
    return values;
}

bool SameKey(TextView a, TextView b) {
    const auto normal = [](TextView key) {
        while (!key.empty() && key.front() == u'\\')
            key.remove_prefix(1);
        while (!key.empty() && key.back() == u'\\')
            key.remove_suffix(1);
        return key;
    };
    return EqualsIgnoreCase(normal(a), normal(b));
}

void CheckWrite(const std::string& file, const ValueName& written, const Text& data,
                const std::vector<ValueName>& values) {
    std::map<size_t, Reading> before;
    for (size_t i = 0; i < values.size(); ++i)
        before[i] = Read(values[i]);
    const std::string bytesBefore = ReadFile(file);
    if (!RegistryWriteText(written.key, written.name, data)) {
        Check(ReadFile(file) == bytesBefore, "a failed write leaves the file alone");
        return;
    }
    Text back;
    Check(RegistryReadText(written.key, written.name, back) && back == data,
          "a written value reads back", Shown(written.key + u"/" + written.name + u"=" + data));
    for (size_t i = 0; i < values.size(); ++i) {
        if (SameKey(values[i].key, written.key) && EqualsIgnoreCase(values[i].name, written.name))
            continue;
        Check(Read(values[i]) == before[i], "a write leaves the file's other values alone",
              Shown(values[i].key + u"/" + values[i].name));
    }
    const std::string bytesAfter = ReadFile(file);
    Check(RegistryWriteText(written.key, written.name, data), "the same write succeeds again");
    Check(ReadFile(file) == bytesAfter, "writing the same value again changes nothing");
}

}  // namespace
}  // namespace zem::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zem;
    using namespace zem::fuzz;
    static const std::string file = ScratchRoot() + "user.reg";
    setenv("ZEM_REGISTRY", file.c_str(), 1);
    FuzzedDataProvider input(data, size);
    const Text key = FromUtf8(input.ConsumeRandomLengthString(40));
    const Text name = FromUtf8(input.ConsumeRandomLengthString(20));
    const Text value = FromUtf8(input.ConsumeRandomLengthString(40));
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    WriteFile(file, bytes);
    const std::vector<ValueName> values = CandidateValues(FromUtf8(bytes));
    // The value goes to a key the file has as often as to the one the input names.
    const ValueName written{
        values.size() > 1 && !key.empty() && key[0] == u'*' ? values[values.size() / 2].key : key,
        name};
    CheckWrite(file, written, value, values);
    return 0;
}
