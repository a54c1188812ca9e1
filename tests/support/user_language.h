// The user's language for the programs a test starts, as each edition lets a user choose it:
// Linux by the locale the program starts in (LANG), Windows by the product's LCID setting in
// the user's registry (the user locale itself belongs to the whole Windows session). Undone
// when the object goes.
#pragma once

#include <cstdint>
#include <memory>

namespace zem::test {

class UserLanguage {
  public:
    // 2052 (simplified Chinese, "zh_CN.UTF-8"), 1028 (traditional, "zh_TW.UTF-8") or 1033
    // (English, "C.UTF-8").
    explicit UserLanguage(uint32_t lcid);
    ~UserLanguage();
    UserLanguage(const UserLanguage&) = delete;
    UserLanguage& operator=(const UserLanguage&) = delete;

  private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

}  // namespace zem::test
