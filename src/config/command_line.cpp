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

Text CommandLineHelpText() {
    return u"Usage: ZemYNote [/AppPath=<folder>] [/DatabasePath=<index.db>] "
           u"[/Import=<account.db>]\n"
           u"                [/ImportAll] [/Console] [/Debug]\n"
           u"\n"
           u"Copies a YNote account database (notebooks, tags, notes, pictures, attachments)\n"
           u"into a Zem knowledge base.\n"
           u"\n"
           u"  /AppPath=<folder>         the Zem program folder, holding ZemKMCore.dll and\n"
           u"                            ZemTools.dll; end it with \"/\" (default: the\n"
           u"                            registry value AppPath, else this program's folder)\n"
           u"  /DatabasePath=<index.db>  the knowledge base to import into (default: your\n"
           u"                            default knowledge base)\n"
           u"  /Import=<account.db>      import this YNote database at once; messages are\n"
           u"                            printed instead of waiting, and the program ends\n"
           u"                            with the dialog\n"
           u"  /ImportAll                import every note of an account imported before again,\n"
           u"                            as new documents (without it, /Import= imports only\n"
           u"                            the notes that are new or changed since, and the\n"
           u"                            dialog asks)\n"
           u"  /Console                  show the dialog in the terminal even when a display\n"
           u"                            is available\n"
           u"  /Debug                    write debugging lines to the log file\n"
           u"  --help, /?                show this text\n"
           u"\n"
           u"A value that holds spaces is quoted as one argument:\n"
           u"  /Import=\"/home/me/my notes/me.db\"\n"
           u"\n"
           u"Exit status: 0 the import completed and every note arrived whole,\n"
           u"1 it stopped or was cancelled, 2 start-up failed, 3 the import completed but\n"
           u"notes were skipped, imported with losses or left out for a conflict with their\n"
           u"documents (the log file names each one).\n"
           u"\n"
           u"Example:\n"
           u"  ZemYNote /AppPath=/opt/zem/ /Import=/home/me/.local/share/YNote/Data/me.db\n";
}

}  // namespace zem
