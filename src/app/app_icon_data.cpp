#include "app/app_icon.h"

namespace zem {

std::vector<ui::IconImage> AppIconImages() {
    return {};
}

}  // namespace zem
