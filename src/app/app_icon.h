// The application icon's images (PNG data compiled into the program), drawn for this
// program by resources/icons/make_icons.py, which also writes app_icon_data.cpp.
#pragma once

#include <vector>

#include "platform/ui/resource_table.h"

namespace zem {

std::vector<ui::IconImage> AppIconImages();

}  // namespace zem
