// The command-line parser. The input is the arguments, separated by NUL bytes, as the system
// hands them over (file-system bytes). Promises checked: a path given as "/Import=<path>"
// comes back with the bytes it was given whatever else the command line holds; a parameter
// is never taken for a switch of a longer name or the other way round; letter case of the
// name does not matter; the first parameter of a name wins; a path made absolute is absolute
// and an absolute path stays as it is.
#include <algorithm>
#include <vector>

#include "config/command_line.h"
#include "fuzz_support.h"
#include "platform/files.h"
#include "util/paths.h"
#include "util/text_helpers.h"

namespace zem::fuzz {
namespace {

std::vector<Text> Arguments(std::string_view bytes) {
    std::vector<Text> arguments;
    size_t start = 0;
    while (start <= bytes.size() && arguments.size() < 64) {
        const size_t end = std::min(bytes.find('\0', start), bytes.size());
        arguments.push_back(FromFileSystemBytes(bytes.substr(start, end - start)));
        start = end + 1;
    }
    return arguments;
}

// The path the shell hands over, as the parser gives it back: without the blanks around it.
Text PathOf(const std::vector<Text>& arguments) {
    return arguments.empty() ? Text(u"/tmp/a b.db") : TrimText(arguments.back());
}

void CheckImportPath(const std::vector<Text>& arguments) {
    const Text path = PathOf(arguments);
    if (path.empty())
        return;
    std::vector<Text> given{u"/Import=" + path};
    given.insert(given.end(), arguments.begin(), arguments.end());
    const Text found = GetCommandLineParam(given, u"Import");
    Check(found == path, "the first /Import= path comes back", Shown(found));
    Check(ToFileSystemBytes(found) == ToFileSystemBytes(path), "with the bytes it was given");
    given.front() = u"/iMPORT=" + path;
    Check(GetCommandLineParam(given, u"Import") == path, "a name is found in any letter case");
    Check(!HasCommandLineSwitch({u"/Import=" + path, u"/ImportAll=1"}, u"ImportAll") &&
              !HasCommandLineSwitch({u"/Import=" + path}, u"Import"),
          "a parameter is no switch");
}

void CheckNames(const std::vector<Text>& arguments) {
    for (const char16_t* name : {u"Import", u"AppPath", u"DatabasePath"}) {
        const Text value = GetCommandLineParam(arguments, name);
        Check(value == TrimText(value), "a value comes trimmed", Shown(value));
        if (!value.empty())
            Check(std::any_of(arguments.begin(), arguments.end(),
                              [&](const Text& argument) {
                                  return FindIgnoreCase(argument, name) != Text::npos &&
                                         argument.find(value) != Text::npos;
                              }),
                  "a value comes from an argument that names it", Shown(value));
    }
    // "/ImportAll" switches import-all only, and never gives an /Import= path.
    std::vector<Text> withSwitch = arguments;
    withSwitch.insert(withSwitch.begin(), u"/ImportAll");
    Check(GetCommandLineParam(withSwitch, u"Import") == GetCommandLineParam(arguments, u"Import"),
          "a switch is no parameter");
    Check(HasCommandLineSwitch(withSwitch, u"importall"), "a switch is found in any letter case");
}

void CheckAbsolute(const std::vector<Text>& arguments) {
    const Text path = PathOf(arguments);
    const Text absolute = MakeAbsolutePath(path, u"/home/user/");
    if (path.empty())
        Check(absolute.empty(), "an empty path stays empty");
    else if (IsAbsolutePath(path))
        Check(absolute == path, "an absolute path stays as it is", Shown(absolute));
    else
        Check(IsAbsolutePath(absolute), "a relative path is made absolute", Shown(absolute));
}

}  // namespace
}  // namespace zem::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace zem::fuzz;
    const auto arguments = Arguments(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckImportPath(arguments);
    CheckNames(arguments);
    CheckAbsolute(arguments);
    zem::IsHelpRequest(arguments);
    return 0;
}
