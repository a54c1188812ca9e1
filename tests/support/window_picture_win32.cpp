// The Windows picture taker: the whole dialog, frame and caption included, copied from the
// screen with BitBlt (Wine's PrintWindow gives a blank grey picture), saved as PNG by the
// system's imaging component.
#include <windows.h>

// The imaging component's class and format ids, defined in this file.
#include <initguid.h>

#include <wincodec.h>

#include <cstdio>
#include <string>

#include "platform/text.h"
#include "platform/ui/win32_toolkit.h"
#include "support/window_picture.h"

namespace zem::test {

namespace {

// Releases a COM interface at the end of the scope.
template <class Interface>
struct Releasing {
    Interface* pointer = nullptr;
    ~Releasing() {
        if (pointer)
            pointer->Release();
    }
    Interface** operator&() { return &pointer; }
    Interface* operator->() const { return pointer; }
};

bool SavePng(HBITMAP bitmap, int width, int height, const std::string& path) {
    const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool saved = false;
    {
        Releasing<IWICImagingFactory> factory;
        Releasing<IWICBitmap> source;
        Releasing<IWICStream> stream;
        Releasing<IWICBitmapEncoder> encoder;
        Releasing<IWICBitmapFrameEncode> frame;
        const Text widePath = FromUtf8(path);
        WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
        saved = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_PPV_ARGS(&factory))) &&
                SUCCEEDED(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha,
                                                           &source)) &&
                SUCCEEDED(factory->CreateStream(&stream)) &&
                SUCCEEDED(stream->InitializeFromFilename(
                    reinterpret_cast<const wchar_t*>(widePath.c_str()), GENERIC_WRITE)) &&
                SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
                SUCCEEDED(encoder->Initialize(stream.pointer, WICBitmapEncoderNoCache)) &&
                SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
                SUCCEEDED(frame->Initialize(nullptr)) &&
                SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
                SUCCEEDED(frame->SetPixelFormat(&format)) &&
                SUCCEEDED(frame->WriteSource(source.pointer, nullptr)) &&
                SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    }
    if (SUCCEEDED(started))
        CoUninitialize();
    return saved;
}

// The window as the screen shows it now, saved to `path`.
bool SavePicture(HWND window, const std::string& path) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT frame{};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    const bool copied =
        BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, previous);
    const bool saved = copied && SavePng(bitmap, width, height, path);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

}  // namespace

void TakePictureOfFirstDialog(const std::string& pngPath) {
    ui::SetFirstDialogShownHook([pngPath](HWND dialog) {
        if (!SavePicture(dialog, pngPath))
            std::fprintf(stderr, "Could not save the screenshot %s\n", pngPath.c_str());
        PostMessageW(dialog, WM_CLOSE, 0, 0);
    });
}

}  // namespace zem::test
