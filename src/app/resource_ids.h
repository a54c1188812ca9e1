// Ids of the program's dialog templates, controls and icon (the string ids are in
// user_messages.h).
#pragma once

namespace zem {

constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_ZEMYNOTE_DIALOG = 102;
constexpr int IDR_MAINFRAME = 128;

constexpr int IDC_EDIT_PATH = 1000;
constexpr int IDC_BUTTON_BROWSE = 1001;
constexpr int IDC_PROGRESS = 1002;
constexpr int IDC_STATIC_STATUS = 1003;
// The About box's name-and-version line.
constexpr int IDC_ABOUT_VERSION = 1004;

// The About item of the system menu.
constexpr unsigned IDM_ABOUTBOX = 0x0010;

// Makes the program's dialogs, string table and icon the resources the user-interface layer
// searches. Safe to call any number of times.
void InstallProgramResources();

}  // namespace zem
