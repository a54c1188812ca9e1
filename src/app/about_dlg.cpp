#include "app/about_dlg.h"

#include "app/program_version.h"
#include "app/resource_ids.h"
#include "config/translations.h"
#include "util/text_helpers.h"

namespace zem {

CAboutDlg::CAboutDlg() : ui::Dialog(IDD_ABOUTBOX) {}

bool CAboutDlg::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    TranslateWindow(GetTranslationTable(), *GetWindow());
    if (ui::Window* line = GetDlgItem(IDC_ABOUT_VERSION))
        line->SetText(FormatText(line->GetText(), ProgramVersion()));
    return true;
}

}  // namespace zem
