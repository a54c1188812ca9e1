#include "support/user_language.h"

#include <optional>
#include <string>

#include "config/global.h"
#include "platform/registry.h"
#include "support/environment.h"

namespace zem::test {

struct UserLanguage::Saved {
#ifdef _WIN32
    std::optional<uint32_t> lcid;
#else
    std::optional<std::string> lang;
#endif
};

UserLanguage::UserLanguage(uint32_t lcid) : saved_(std::make_unique<Saved>()) {
#ifdef _WIN32
    uint32_t earlier = 0;
    if (RegistryReadDword(GetProductRegistryKey(), u"LCID", earlier))
        saved_->lcid = earlier;
    RegistryWriteDword(GetProductRegistryKey(), u"LCID", lcid);
#else
    saved_->lang = GetEnv("LANG");
    SetEnv("LANG", lcid == 2052 ? "zh_CN.UTF-8" : lcid == 1028 ? "zh_TW.UTF-8" : "C.UTF-8");
#endif
}

UserLanguage::~UserLanguage() {
#ifdef _WIN32
    // 0 is "no choice": the program falls back to the user locale.
    RegistryWriteDword(GetProductRegistryKey(), u"LCID", saved_->lcid.value_or(0));
#else
    if (saved_->lang)
        SetEnv("LANG", *saved_->lang);
    else
        UnsetEnv("LANG");
#endif
}

}  // namespace zem::test
