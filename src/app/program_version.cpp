#include "app/program_version.h"

#include "platform/dynamic_library.h"
#include "zem_version.h"

namespace zem {

Text ProgramVersion() {
    return u"" ZEM_VERSION_TEXT;
}

Text VersionReport(const Text& enginePath) {
    const Text program = u"ZemYNote " + ProgramVersion() + u"\n";
    const Text engineVersion = GetLibraryVersion(enginePath);
    if (!engineVersion.empty())
        return program + u"Zem engine " + engineVersion + u" (" + enginePath + u")";
    return program + u"Zem engine at " + enginePath + u": no version (" + LastLibraryError() + u")";
}

}  // namespace zem
