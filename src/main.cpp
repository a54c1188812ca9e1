#include "platform/system_info.h"

int main(int argc, char** argv) {
    zem::SetCommandLine(argc, argv);
    return 2;
}
