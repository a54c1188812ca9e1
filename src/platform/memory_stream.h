// Streams over memory, built on the component basics of com_object.h.
#pragma once

#include <string>

#include "platform/com.h"

namespace zem {

// A growable in-memory stream, freed on its last release. One reference, owned by the caller.
IStream* CreateMemoryStream();
// The same, holding its bytes in `bytes` (emptied first), which must outlive the stream: what
// is written is the caller's without a copy.
IStream* CreateMemoryStreamOn(std::string& bytes);

}  // namespace zem
