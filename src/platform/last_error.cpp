#include "platform/last_error.h"

#include <string>

namespace zem {

Text ErrorCodeText(int code) {
    Text text = SystemErrorText(code);
    return text.empty() ? u"error " + FromUtf8(std::to_string(code)) : text;
}

}  // namespace zem
