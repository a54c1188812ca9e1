// The Windows toolkit with real windows: the dialog manager places the controls the
// template describes, the model and the controls stay in step both ways, the modal loop
// and the pump leave a quit request queued, and the first-dialog hook sees the painted
// window. Set ZEM_SCREENSHOT=<file.bmp> to keep the hook test's picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/resource_ids.h"
#include "platform/ui/dialog.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/toolkit.h"
#include "platform/ui/win32_toolkit.h"
#include "platform/ui/window_toolkit.h"

// The Windows headers after the toolkit's, whose constants they define as macros.
#include <windows.h>

#include <commctrl.h>

namespace zem::ui {
namespace {

constexpr int kTemplate = IDD_ZEMYNOTE_DIALOG;
constexpr int kIcon = IDR_MAINFRAME;
constexpr int kEdit = IDC_EDIT_PATH, kBrowse = IDC_BUTTON_BROWSE, kProgress = IDC_PROGRESS,
              kStatus = IDC_STATIC_STATUS;
constexpr int kProbe = 4000;  // a command with no control: the test's own step
constexpr uint32_t kAboutCommand = 0x10;

BOOL CALLBACK KeepDialogWindow(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (wcscmp(className, L"#32770") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The dialog window this thread shows; tests running beside this one show dialogs of the same
// caption on the same display.
HWND OwnDialogWindow() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), KeepDialogWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

// A dialog like the program's, whose probe runs from the modal loop once the window is up.
class ProbeDialog : public Dialog {
  public:
    ProbeDialog() : Dialog(kTemplate) {
        OnCommandId(kBrowse, [this] { ++browses; });
        OnCommandId(kProbe, [this] {
            if (probe)
                probe(OwnDialogWindow());
        });
    }

    std::function<void(HWND)> probe;
    int browses = 0;
    std::vector<uint32_t> sysCommands;

  protected:
    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        AppendSystemMenuItem({true, 0, {}});
        AppendSystemMenuItem({false, kAboutCommand, u"&About ZemYNote..."});
        SetIcon(FindIcon(kIcon), true);
        SetIcon(FindIcon(kIcon), false);
        PostCommand(*this, kProbe);
        return true;
    }
    void OnSysCommand(uint32_t command) override {
        sysCommands.push_back(command);
        Dialog::OnSysCommand(command);
    }
};

class Win32ToolkitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InstallProgramResources();
        SetToolkit(CreateWindowToolkit(/*nonInteractive=*/false));
        ASSERT_STREQ(CurrentToolkit().Name(), "win32");
    }
    void TearDown() override {
        SetToolkit(nullptr);
        SetResources(nullptr);
    }
};

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring Wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}

// The dialog manager converts a control's place and its size separately, as MapDialogRect
// converts each of its four values.
RECT DialogUnits(HWND dialog, int x, int y, int cx, int cy) {
    RECT units{x, y, cx, cy};
    MapDialogRect(dialog, &units);
    return RECT{units.left, units.top, units.left + units.right, units.top + units.bottom};
}

RECT ClientRectOf(HWND control, HWND dialog) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void ExpectSameRect(const RECT& actual, const RECT& expected, int id) {
    EXPECT_EQ(actual.left, expected.left) << "control " << id;
    EXPECT_EQ(actual.top, expected.top) << "control " << id;
    EXPECT_EQ(actual.right, expected.right) << "control " << id;
    EXPECT_EQ(actual.bottom, expected.bottom) << "control " << id;
}

TEST_F(Win32ToolkitTest, ControlsAreTheTemplatesAtTheirDialogUnitPlaces) {
    ProbeDialog dialog;
    bool probed = false;
    dialog.probe = [&](HWND window) {
        probed = true;
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(IsWindowVisible(window));
        const DialogTemplate& t = *dialog.Template();
        RECT client{};
        GetClientRect(window, &client);
        const RECT size = DialogUnits(window, 0, 0, t.cx, t.cy);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);
        EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        EXPECT_EQ(WindowText(window), Wide(t.caption.c_str()));
        // Each item, in creation order, is a window of its class at its dialog-unit place,
        // showing its text.
        HWND control = GetWindow(window, GW_CHILD);
        for (const DialogItemTemplate& item : t.items) {
            ASSERT_NE(control, nullptr) << "control " << item.id;
            if (item.id != IDC_STATIC) {
                EXPECT_EQ(control, GetDlgItem(window, item.id));
            }
            wchar_t className[64] = {};
            GetClassNameW(control, className, 64);
            EXPECT_EQ(_wcsicmp(className, Wide(item.windowClass.c_str()).c_str()), 0)
                << "control " << item.id;
            ExpectSameRect(ClientRectOf(control, window),
                           DialogUnits(window, item.x, item.y, item.cx, item.cy), item.id);
            if (item.windowClass != kProgressClass) {
                EXPECT_EQ(WindowText(control), Wide(item.text.c_str())) << "control " << item.id;
            }
            // The dialog manager draws a border as a sunken edge (WS_EX_CLIENTEDGE) instead.
            const uint32_t style = item.style & ~WS_BORDER;
            EXPECT_EQ(static_cast<uint32_t>(GetWindowLongW(control, GWL_STYLE)) & style, style)
                << "control " << item.id;
            control = GetWindow(control, GW_HWNDNEXT);
        }
        dialog.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(probed);
}

TEST_F(Win32ToolkitTest, WhatTheProgramChangesTheControlsShow) {
    ProbeDialog dialog;
    dialog.probe = [&](HWND window) {
        HWND edit = GetDlgItem(window, kEdit), progress = GetDlgItem(window, kProgress);
        dialog.GetDlgItem(kEdit)->SetText(u"C:\\Users\\用户\\帐号.db");
        EXPECT_EQ(WindowText(edit), L"C:\\Users\\用户\\帐号.db");
        dialog.GetDlgItem(IDOK)->Enable(false);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDOK)));
        dialog.GetDlgItem(IDOK)->Enable(true);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDOK)));
        // The whole 32-bit range, as a note count needs it.
        dialog.GetDlgItem(kProgress)->SetRange32(0, 500000);
        dialog.GetDlgItem(kProgress)->SetPos(123456);
        EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, TRUE, 0), 0);
        EXPECT_EQ(SendMessageW(progress, PBM_GETRANGE, FALSE, 0), 500000);
        EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 123456);
        dialog.GetDlgItem(kStatus)->SetText(u"第二篇笔记");
        EXPECT_EQ(WindowText(GetDlgItem(window, kStatus)), L"第二篇笔记");
        dialog.GetWindow()->SetText(u"Import");
        EXPECT_EQ(WindowText(window), L"Import");
        dialog.EndDialog(IDOK);
    };
    EXPECT_EQ(dialog.DoModal(), IDOK);
}

TEST_F(Win32ToolkitTest, ClicksTheSystemMenuAndTheCloseBoxReachTheDialog) {
    ProbeDialog dialog;
    dialog.probe = [&](HWND window) {
        HWND browse = GetDlgItem(window, kBrowse);
        SendMessageW(browse, BM_CLICK, 0, 0);
        EXPECT_EQ(dialog.browses, 1);
        // A button the program disabled does nothing, whatever message claims a click.
        dialog.GetDlgItem(kBrowse)->Enable(false);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(kBrowse, BN_CLICKED),
                     reinterpret_cast<LPARAM>(browse));
        EXPECT_EQ(dialog.browses, 1);

        HMENU menu = GetSystemMenu(window, FALSE);
        ASSERT_NE(menu, nullptr);
        const int items = GetMenuItemCount(menu);
        ASSERT_GE(items, 2);
        wchar_t text[64] = {};
        GetMenuStringW(menu, kAboutCommand, text, 64, MF_BYCOMMAND);
        EXPECT_STREQ(text, L"&About ZemYNote...");
        EXPECT_EQ(GetMenuState(menu, items - 2, MF_BYPOSITION) & MF_SEPARATOR,
                  static_cast<UINT>(MF_SEPARATOR));
        // The low four bits belong to the system; the program's command still arrives.
        SendMessageW(window, WM_SYSCOMMAND, kAboutCommand | 0x3, 0);
        ASSERT_EQ(dialog.sysCommands.size(), 1u);
        EXPECT_EQ(dialog.sysCommands[0], kAboutCommand | 0x3);

        EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
        PostMessageW(window, WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_FALSE(dialog.sysCommands.empty());
    EXPECT_EQ(dialog.sysCommands.back(), static_cast<uint32_t>(SC_CLOSE));
}

bool TakeQuit(WPARAM& code) {
    MSG message;
    if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        return false;
    code = message.wParam;
    return true;
}

TEST_F(Win32ToolkitTest, AQuitRequestEndsTheDialogAndStaysQueued) {
    ProbeDialog dialog;
    bool pumpKeptIt = false;
    dialog.probe = [&](HWND) {
        ::PostQuitMessage(5);
        CurrentToolkit().Pump();
        MSG message;
        pumpKeptIt = PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
    };
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_TRUE(pumpKeptIt);
    WPARAM code = 0;
    ASSERT_TRUE(TakeQuit(code));
    EXPECT_EQ(code, 5u);
}

// The client area as the screen shows it.
std::vector<uint32_t> Picture(HWND window, int& width, int& height) {
    RECT client{};
    GetClientRect(window, &client);
    width = client.right;
    height = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                                 static_cast<const uint32_t*>(bits) + width * height);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return pixels;
}

void SaveBmp(const char* path, const std::vector<uint32_t>& pixels, int width, int height) {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    const DWORD bytes = static_cast<DWORD>(pixels.size() * 4);
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + bytes;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(reinterpret_cast<const char*>(pixels.data()), bytes);
}

TEST_F(Win32ToolkitTest, TheFirstDialogHookSeesThePaintedWindow) {
    int calls = 0;
    std::set<uint32_t> colours;
    SetFirstDialogShownHook([&](HWND window) {
        ++calls;
        int width = 0, height = 0;
        const std::vector<uint32_t> pixels = Picture(window, width, height);
        for (uint32_t pixel : pixels)
            colours.insert(pixel & 0xFFFFFF);
        if (const char* path = std::getenv("ZEM_SCREENSHOT"); path && *path)
            SaveBmp(path, pixels, width, height);
        PostMessageW(window, WM_CLOSE, 0, 0);
    });
    ProbeDialog first;
    EXPECT_EQ(first.DoModal(), IDCANCEL);
    ProbeDialog second;
    second.probe = [&](HWND) { second.EndDialog(IDOK); };
    EXPECT_EQ(second.DoModal(), IDOK);
    EXPECT_EQ(calls, 1);
    // Text, borders and the face colour: a blank or black window has one or two colours.
    EXPECT_GT(colours.size(), 4u);
}

}  // namespace
}  // namespace zem::ui
