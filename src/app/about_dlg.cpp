#include "app/about_dlg.h"

#include "app/resource_ids.h"
#include "config/translations.h"

namespace zem {

CAboutDlg::CAboutDlg() : ui::Dialog(IDD_ABOUTBOX) {}

bool CAboutDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    TranslateWindow(GetTranslationTable(), *GetWindow());
    return true;
}

}  // namespace zem
