// The program's command line: "/Name=value" parameters and "/Name" switches in the
// argument part (the arguments joined by single spaces, without the program's name).
#pragma once

#include "platform/text.h"

namespace zem {

// The value of "/<name>=": the text is split at every " /" (a space in front of the whole
// text first); the first piece that, trimmed, starts with name + "=" in any letter case
// gives the rest of that piece, trimmed. Quotes are kept. Empty when no piece matches.
Text GetCommandLineParam(const Text& arguments, const Text& name);
// "/<name>" alone as one of the pieces (trimmed, any letter case).
bool HasCommandLineSwitch(const Text& arguments, const Text& name);
// "--help", "-h" or "/?" among the space-separated arguments.
bool IsHelpRequest(const Text& arguments);
// The usage text: command line, parameters, exit status and an example.
Text CommandLineHelpText();

}  // namespace zem
