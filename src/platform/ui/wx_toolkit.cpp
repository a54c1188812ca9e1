#include "platform/ui/wx_toolkit.h"

namespace zem::ui {

std::unique_ptr<Toolkit> CreateWxToolkit(bool) {
    return nullptr;
}

}  // namespace zem::ui
