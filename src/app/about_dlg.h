// The About box (template 100): icon, name and version, OK. Its texts are translated like
// every shown text, and the version is filled into the translated line; it has no handlers
// of its own.
#pragma once

#include "platform/ui/dialog.h"

namespace zem {

class CAboutDlg : public ui::Dialog {
  public:
    CAboutDlg();

  protected:
    bool OnInitDialog() override;
};

}  // namespace zem
