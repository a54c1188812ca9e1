#include "config/command_line.h"

#include "util/text_helpers.h"

namespace zem {

Text GetCommandLineParam(const std::vector<Text>& arguments, const Text& name) {
    const Text key = u"/" + name + u"=";
    for (const Text& argument : arguments) {
        const Text trimmed = TrimText(argument);
        if (StartsWithIgnoreCase(trimmed, key))
            return TrimText(TextView(trimmed).substr(key.size()));
    }
    return Text();
}

bool HasCommandLineSwitch(const std::vector<Text>& arguments, const Text& name) {
    const Text option = u"/" + name;
    for (const Text& argument : arguments)
        if (EqualsIgnoreCase(TrimText(argument), option))
            return true;
    return false;
}

bool IsHelpRequest(const std::vector<Text>& arguments) {
    for (const Text& argument : arguments)
        if (argument == u"--help" || argument == u"-h" || argument == u"/?")
            return true;
    return false;
}

bool IsVersionRequest(const std::vector<Text>& arguments) {
    for (const Text& argument : arguments)
        if (argument == u"--version")
            return true;
    return false;
}

namespace {

// Where the program's files are, as each edition finds them by default.
#ifdef _WIN32
constexpr const char16_t* kFilesHelp =
    u"  %USERPROFILE%\\Documents\\My Knowledge\\Zem.log\n"
    u"      the log: every failure and, for each run, the summary of what was imported\n"
    u"  HKEY_CURRENT_USER\\Software\\Zem, value AppPath\n"
    u"      the Zem program folder, as the installed Zem records it\n"
    u"  %LOCALAPPDATA%\\YNote\\Data\\\n"
    u"      where YNote keeps its account databases; Browse opens here\n";
#else
constexpr const char16_t* kFilesHelp =
    u"  ~/Documents/My Knowledge/Zem.log\n"
    u"      the log: every failure and, for each run, the summary of what was imported\n"
    u"      (the Documents folder is $XDG_DOCUMENTS_DIR when set)\n"
    u"  ~/.config/zem/user.reg\n"
    u"      the settings a Windows Zem keeps in the registry, value AppPath among them\n"
    u"      ($ZEM_REGISTRY names another file)\n"
    u"  ~/.local/share/YNote/Data/\n"
    u"      where YNote keeps its account databases; Browse opens here\n";
#endif

}  // namespace

Text CommandLineHelpText() {
    return Text(
               u"Usage: ZemYNote [/AppPath=<folder>] [/DatabasePath=<index.db>] "
               u"[/Import=<account.db>]\n"
               u"                [/ImportAll] [/Console] [/Debug]\n"
               u"       ZemYNote --help | --version\n"
               u"\n"
               u"Copies a YNote account database (notebooks, tags, notes, pictures, attachments)\n"
               u"into a Zem knowledge base. With a display the import dialog opens in a window;\n"
               u"without one, or with /Console, the same dialog runs in the terminal.\n"
               u"\n"
               u"Parameters:\n"
               u"  /AppPath=<folder>         the Zem program folder, holding ZemKMCore.dll and\n"
               u"                            ZemTools.dll; end it with a separator (default: the\n"
               u"                            registry value AppPath, else this program's folder)\n"
               u"  /DatabasePath=<index.db>  the knowledge base to import into (default: your\n"
               u"                            default knowledge base)\n"
               u"  /Import=<account.db>      import this YNote database at once; messages are\n"
               u"                            printed instead of waiting, and the program ends\n"
               u"                            with the dialog\n"
               u"  /ImportAll                import every note of an account imported before "
               u"again,\n"
               u"                            as new documents (without it, /Import= imports only\n"
               u"                            the notes that are new or changed since, and the\n"
               u"                            dialog asks)\n"
               u"  /Console                  show the dialog in the terminal even when a display\n"
               u"                            is available\n"
               u"  /Debug                    write debugging lines to the log file\n"
               u"  --help, /?                show this text\n"
               u"  --version                 show this program's version and, when it loads, the\n"
               u"                            version of the Zem engine (ZemKMCore.dll)\n"
               u"\n"
               u"A value that holds spaces is quoted as one argument:\n"
               u"  /Import=\"/home/me/my notes/me.db\"\n"
               u"\n"
               u"Exit status:\n"
               u"  0  the import completed and every note arrived whole (or --help, --version)\n"
               u"  1  the import stopped or was cancelled\n"
               u"  2  start-up failed\n"
               u"  3  the import completed, but notes were skipped, imported with losses or left\n"
               u"     out for a conflict with their documents (the log file names each one)\n"
               u"\n"
               u"Files:\n") +
           kFilesHelp +
           u"\n"
           u"Example:\n"
           u"  ZemYNote /AppPath=/opt/zem/ /Import=/home/me/.local/share/YNote/Data/me.db\n";
}

}  // namespace zem
