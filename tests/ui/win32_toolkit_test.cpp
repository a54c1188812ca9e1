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

#include "app/app_icon.h"
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

constexpr int kTemplate = 31;
constexpr int kIcon = 128;
constexpr int kEdit = 1000, kBrowse = 1001, kProgress = 1002, kStatus = 1003;
constexpr int kProbe = 4000;  // a command with no control: the test's own step
constexpr uint32_t kAboutCommand = 0x10;
constexpr char16_t kCaption[] = u"导入有道云笔记数据到泽门笔记";

const ResourceSet& TestResources() {
    constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;
    static const ResourceSet resources{
        {DialogTemplate{
            kTemplate,
            kCaption,
            u"MS Shell Dlg",
            8,
            400,
            0x0804,
            134,
            327,
            163,
            DS_SHELLFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU,
            WS_EX_APPWINDOW,
            {{IDC_STATIC, kStaticClass, u"有道云笔记数据文件：帐号.db:", 7, 7, 192, 14, kChild},
             {kEdit, kEditClass, u"", 7, 28, 313, 14,
              kChild | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP},
             {kStatus, kStaticClass, u"", 7, 93, 313, 8, kChild},
             {kProgress, kProgressClass, u"", 7, 111, 313, 14, kChild | WS_BORDER},
             {kBrowse, kButtonClass, u"浏览", 270, 47, 50, 14, kChild | WS_TABSTOP},
             {IDCANCEL, kButtonClass, u"取消", 270, 142, 50, 14, kChild | WS_TABSTOP},
             {IDOK, kButtonClass, u"确定", 209, 142, 50, 14, kChild | WS_TABSTOP}}}},
        {},
        {IconResource{kIcon, AppIconImages()}}};
    return resources;
}

// A dialog like the program's, whose probe runs from the modal loop once the window is up.
class ProbeDialog : public Dialog {
  public:
    ProbeDialog() : Dialog(kTemplate) {
        OnCommandId(kBrowse, [this] { ++browses; });
        OnCommandId(kProbe, [this] {
            if (probe)
                probe(FindWindowW(L"#32770", reinterpret_cast<const wchar_t*>(kCaption)));
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
        SetResources(&TestResources());
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
        RECT client{};
        GetClientRect(window, &client);
        const RECT size = DialogUnits(window, 0, 0, 327, 163);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);
        EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        const struct {
            int id;
            const wchar_t* className;
            int x, y, cx, cy;
        } controls[] = {{kEdit, L"Edit", 7, 28, 313, 14},
                        {kStatus, L"Static", 7, 93, 313, 8},
                        {kProgress, L"msctls_progress32", 7, 111, 313, 14},
                        {kBrowse, L"Button", 270, 47, 50, 14},
                        {IDCANCEL, L"Button", 270, 142, 50, 14},
                        {IDOK, L"Button", 209, 142, 50, 14}};
        for (const auto& c : controls) {
            HWND control = GetDlgItem(window, c.id);
            ASSERT_NE(control, nullptr) << "control " << c.id;
            wchar_t className[64] = {};
            GetClassNameW(control, className, 64);
            EXPECT_EQ(_wcsicmp(className, c.className), 0) << "control " << c.id;
            ExpectSameRect(ClientRectOf(control, window), DialogUnits(window, c.x, c.y, c.cx, c.cy),
                           c.id);
        }
        EXPECT_EQ(WindowText(window), Wide(kCaption));
        EXPECT_EQ(WindowText(GetDlgItem(window, kBrowse)), L"浏览");
        EXPECT_TRUE(GetWindowLongW(GetDlgItem(window, kEdit), GWL_STYLE) & ES_READONLY);
        // The label without an id of its own is the first control made.
        EXPECT_EQ(WindowText(GetWindow(window, GW_CHILD)), L"有道云笔记数据文件：帐号.db:");
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
