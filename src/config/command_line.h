// The program's command line: "/Name=value" parameters and "/Name" switches, one to an
// argument as the program was given them (without the program's name). A value may hold
// spaces and " /": only the shell's quoting decides where an argument ends.
#pragma once

#include <vector>

#include "platform/text.h"

namespace zem {

// The value of "/<name>=": the first argument that, trimmed, starts with "/" + name + "="
// in any letter case gives the rest of that argument, trimmed. Quotes are kept. Empty when
// no argument matches.
Text GetCommandLineParam(const std::vector<Text>& arguments, const Text& name);
// "/<name>" alone as one of the arguments (trimmed, any letter case).
bool HasCommandLineSwitch(const std::vector<Text>& arguments, const Text& name);
// "--help", "-h" or "/?" as one of the arguments.
bool IsHelpRequest(const std::vector<Text>& arguments);
// "--version" as one of the arguments.
bool IsVersionRequest(const std::vector<Text>& arguments);
// The usage text: command line, description, parameters, exit status, files and an example,
// under the headings "Usage:", "Parameters:", "Exit status:", "Files:" and "Example:" at the
// start of a line. The manual page is made from this text (scripts/make-manual.py), so it
// keeps that shape: an entry's name indented by two spaces, its description by more.
Text CommandLineHelpText();

}  // namespace zem
