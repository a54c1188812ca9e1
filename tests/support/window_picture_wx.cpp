#include "support/window_picture.h"

#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/iconbndl.h>
#include <wx/timer.h>
#include <wx/wx.h>

#include <cstdio>
#include <memory>
#include <utility>

#include "platform/ui/wx_toolkit.h"

namespace zem::test {

namespace {

// The window's own icon at `size` pixels, or none.
wxBitmap IconOf(wxTopLevelWindow& window, int size) {
    const wxIcon icon =
        window.GetIcons().GetIcon(wxSize(size, size), wxIconBundle::FALLBACK_NEAREST_LARGER);
    if (!icon.IsOk())
        return wxBitmap();
    wxBitmap bitmap;
    bitmap.CopyFromIcon(icon);
    if (bitmap.GetWidth() == size)
        return bitmap;
    wxImage image = bitmap.ConvertToImage();
    image.Rescale(size, size, wxIMAGE_QUALITY_HIGH);
    return wxBitmap(image);
}

// Waits for the window to be drawn, then saves its picture and closes it.
class Picture : public wxTimer {
  public:
    Picture(wxTopLevelWindow& window, std::string path) : window_(window), path_(std::move(path)) {}

    void Notify() override {
        window_.Raise();
        window_.Update();
        const wxSize client = window_.GetClientSize();
        const int captionHeight = window_.FromDIP(30);
        wxBitmap picture(client.x, client.y + captionHeight, 24);
        {
            wxMemoryDC memory(picture);
            memory.SetBackground(wxBrush(wxColour(0x2B, 0x57, 0x9A)));
            memory.Clear();
            const int iconSize = window_.FromDIP(16);
            const wxBitmap icon = IconOf(window_, iconSize);
            if (icon.IsOk())
                memory.DrawBitmap(icon, 8, (captionHeight - iconSize) / 2, true);
            wxFont font = window_.GetFont();
            font.MakeBold();
            memory.SetFont(font);
            memory.SetTextForeground(*wxWHITE);
            const wxString caption = window_.GetTitle();
            memory.DrawText(caption, 8 + iconSize + 8,
                            (captionHeight - memory.GetTextExtent(caption).y) / 2);
            wxScreenDC screen;
            const wxPoint origin = window_.ClientToScreen(wxPoint(0, 0));
            memory.Blit(0, captionHeight, client.x, client.y, &screen, origin.x, origin.y);
        }
        if (!picture.SaveFile(wxString::FromUTF8(path_), wxBITMAP_TYPE_PNG))
            std::fprintf(stderr, "Could not save the screenshot %s\n", path_.c_str());
        window_.Close();
    }

  private:
    wxTopLevelWindow& window_;
    std::string path_;
};

// Keeps the timer as long as the window lives: the window deletes its client object.
struct PictureHolder : wxClientData {
    explicit PictureHolder(Picture* picture) : picture(picture) {}
    std::unique_ptr<Picture> picture;
};

}  // namespace

void TakePictureOfFirstDialog(const std::string& pngPath) {
    ui::SetFirstDialogShownHook([pngPath](wxTopLevelWindow& window) {
        auto* holder = new PictureHolder(new Picture(window, pngPath));
        window.SetClientObject(holder);
        holder->picture->StartOnce(800);
    });
}

}  // namespace zem::test
