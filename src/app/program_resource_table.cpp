// The program's resource table as data: the import dialog, the About box, the string table and
// the application icon.
#include "app/app_icon.h"
#include "app/resource_ids.h"
#include "config/user_messages.h"
#include "platform/ui/resource_table.h"

namespace zem {

namespace {

using namespace ui;

constexpr uint16_t kLangChinesePrc = 0x0804;
constexpr uint16_t kLangEnglishUs = 0x0409;
constexpr int kGb2312Charset = 134;
constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;

DialogTemplate ImportDialogTemplate() {
    DialogTemplate t;
    t.id = IDD_ZEMYNOTE_DIALOG;
    t.language = kLangChinesePrc;
    t.charset = kGb2312Charset;
    t.fontFace = u"MS Shell Dlg";
    t.fontPoints = 8;
    t.fontWeight = 400;
    t.cx = 327;
    t.cy = 163;
    t.style = DS_SHELLFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    t.exStyle = WS_EX_APPWINDOW;
    t.caption = u"导入有道云笔记数据到泽门笔记";
    t.items = {
        {IDC_STATIC, kStaticClass, u"有道云笔记数据文件：帐号.db:", 7, 7, 192, 14,
         kChild | SS_LEFT},
        {IDC_EDIT_PATH, kEditClass, u"", 7, 28, 313, 14,
         kChild | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP},
        {IDC_STATIC_STATUS, kStaticClass, u"", 7, 93, 313, 8, kChild | SS_LEFT},
        {IDC_PROGRESS, kProgressClass, u"", 7, 111, 313, 14, kChild | WS_BORDER},
        {IDC_BUTTON_BROWSE, kButtonClass, u"浏览", 270, 47, 50, 14,
         kChild | BS_PUSHBUTTON | WS_TABSTOP},
        {IDCANCEL, kButtonClass, u"取消", 270, 142, 50, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP},
        {IDOK, kButtonClass, u"确定", 209, 142, 50, 14, kChild | BS_PUSHBUTTON | WS_TABSTOP},
    };
    return t;
}

DialogTemplate AboutBoxTemplate() {
    DialogTemplate t;
    t.id = IDD_ABOUTBOX;
    t.language = kLangEnglishUs;
    t.fontFace = u"MS Shell Dlg";
    t.fontPoints = 8;
    t.fontWeight = 400;
    t.cx = 170;
    t.cy = 62;
    t.style = DS_SHELLFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.caption = u"About ZemYNote";
    t.items = {
        {IDC_STATIC, kStaticClass, u"128", 14, 14, 21, 20, kChild | SS_ICON},
        // "%1" is the program's version, filled in once the line is translated.
        {IDC_ABOUT_VERSION, kStaticClass, u"ZemYNote, Version %1", 42, 14, 114, 8,
         kChild | SS_LEFT | SS_NOPREFIX},
        {IDC_STATIC, kStaticClass, u"YNote to Zem importer", 42, 26, 114, 8, kChild | SS_LEFT},
        {IDOK, kButtonClass, u"OK", 113, 41, 50, 14, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP},
    };
    return t;
}

std::vector<StringResource> StringTable() {
    return {
        {IDS_ABOUTBOX, u"&About ZemYNote..."},
        {IDS_FILE_FILTER, u"VEzizo Notebook File (*.db)|*.db|"},
        {IDS_CREATE_DATABASE_FAILED, u"Failed to create database object"},
        {IDS_FILE_NOT_EXISTS, u"File does not exists:\n\n%1"},
        {IDS_OPEN_DATABASE_FAILED, u"Can't open database:\n\n%1"},
        {IDS_QUERY_FAILED, u"Can't query database:\n\n%1"},
        {IDS_FIELD_VALUE_FAILED, u"Can't get field value."},
        {IDS_FIELD_DATA_FAILED, u"Can't get field data."},
        {IDS_CREATE_FOLDER_FAILED, u"Failed to create folder:\n\n%1"},
        {IDS_CREATE_DOCUMENT_FAILED, u"Failed to create document:\n\n%1"},
        {IDS_SAVE_DOCUMENT_FAILED, u"Failed to save document:\n\n%1"},
        {IDS_IMPORT_COMPLETED, u"Import completed"},
        {IDS_IMPORT_AGAIN,
         u"This knowledge base already holds %2 documents imported from the YNote account "
         u"%1.\n\nYes: import only the notes that are new or changed since.\nNo: import every "
         u"note again, as new documents.\nCancel: import nothing."},
        {IDS_EARLIER_IMPORTS_UNREADABLE,
         u"The knowledge base's record of earlier imports cannot be read, so nothing was "
         u"imported."},
        {IDS_KNOWLEDGE_BASE_IN_USE,
         u"The knowledge base is in use by another program:\n\n%1\n\nTry again when that "
         u"program has closed it."},
        {IDS_WAITING_FOR_KNOWLEDGE_BASE,
         u"Waiting for the knowledge base, which another program is using (%1 s)..."},
        {IDS_KNOWLEDGE_BASE_STILL_IN_USE,
         u"The knowledge base is still in use by another program, so the import stopped. Try "
         u"again when that program has closed it."},
        {IDS_WAITING_FOR_OTHER_IMPORT,
         u"Waiting for another import of this account to finish (%1 s)..."},
    };
}

}  // namespace

void InstallProgramResources() {
    static const ResourceSet resources{
        {ImportDialogTemplate(), AboutBoxTemplate()},
        StringTable(),
        {IconResource{IDR_MAINFRAME, AppIconImages()}},
    };
    SetResources(&resources);
}

}  // namespace zem
