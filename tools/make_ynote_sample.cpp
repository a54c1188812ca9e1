// Writes a sample YNote account into a folder: the account database (printed on standard
// output) and its attachment storage folder. Chinese notebook names, nested tags, notes with
// pictures and attachments, a title holding "/", a note without a title (the awkward account
// the tests import, support/awkward_account.h, and notes a user keeps beside it).
//
//   make_ynote_sample <folder> [<storage folder as the account records it>]
//
// The second argument is for accounts read on another system than the one that writes them:
// the Windows edition under Wine reads the storage folder as a Windows path (C:\...).
#include <cstdio>
#include <exception>
#include <string>

#include "support/awkward_account.h"
#include "support/ynote_fixture.h"

using zem::test::FillAwkwardAccount;
using zem::test::MakePngImage;
using zem::test::YNoteFixture;

namespace {

std::string Picture(const std::string& resId) {
    return "<img src=\"" + resId + "\" alt=\"" + resId + "\">";
}

// The awkward account, with notes of the kind a user keeps beside it: a weekly report with a
// picture and a report attached, travel notes with two pictures and two attachments of one
// name, reading notes under a tag nested three deep, and a clipping in the unfiled notebook.
void FillSample(YNoteFixture& ynote) {
    FillAwkwardAccount(ynote);
    ynote.AddNotebook("nb-read", "读书笔记");
    ynote.AddNotebook("00000111", "我的资源");
    ynote.AddTag("t-react", "t2", "React");
    ynote.AddTag("t-travel", "", "旅行");
    ynote.AddTag("t-jp", "t-travel", "日本");
    ynote.AddTag("t-imp", "", "重要");

    ynote.AddNote({.noteId = "WEB0a1b2c3d4e5f",
                   .title = "周报 2024/第12周",
                   .notebookId = "nb1",
                   .tags = "t1,t-imp",
                   .created = 1710720000,
                   .updated = 1711065600,
                   .sourceUrl = "https://intranet.example.com/weekly/12",
                   .body = "<h1>本周进展</h1><p>完成了登录页的改版。</p>" +
                           Picture("WEBRESa1f0c1d2e3") + "<p>下周计划见附件。</p>"});
    ynote.AddResource("WEBRESa1f0c1d2e3", "WEB0a1b2c3d4e5f", 1, "ynote_user\\WEBRESa1f0c1d2e3.png",
                      MakePngImage(160, 90, 30, 110, 220));
    ynote.AddResource("RESATT001", "WEB0a1b2c3d4e5f", 2, "files01\\周报-第12周.pdf",
                      "%PDF-1.4\n% sample weekly report\n");

    ynote.AddNote({.noteId = "WEB2c3d4e5f6071",
                   .title = "京都旅行",
                   .notebookId = "nb2",
                   .tags = "t-travel,t-jp",
                   .created = 1696118400,
                   .updated = 1696550400,
                   .sourceUrl = "https://travel.example.com/kyoto",
                   .body = "<p>清水寺的日落：</p>" + Picture("WEBRESb2e1") + "<p>伏见稻荷：</p>" +
                           Picture("WEBRESb2e2")});
    ynote.AddResource("WEBRESb2e1", "WEB2c3d4e5f6071", 1, "ynote_user\\WEBRESb2e1.png",
                      MakePngImage(120, 80, 240, 120, 40));
    ynote.AddResource("WEBRESb2e2", "WEB2c3d4e5f6071", 1, "ynote_user\\WEBRESb2e2.png",
                      MakePngImage(80, 120, 200, 30, 30));
    ynote.AddResource("RESATT002", "WEB2c3d4e5f6071", 2, "files02\\行程.txt",
                      "第一天：清水寺\n第二天：伏见稻荷\n");
    ynote.AddResource("RESATT003", "WEB2c3d4e5f6071", 2, "files03\\行程.txt", "备用行程：岚山\n");

    ynote.AddNote({.noteId = "WEB3d4e5f607182",
                   .title = "React Hooks 笔记",
                   .notebookId = "nb-read",
                   .tags = "t-react,t2",
                   .created = 1690000000,
                   .updated = 1690500000,
                   .body = "<p><code>useEffect</code> 在渲染后执行。</p>"});

    ynote.AddNote({.noteId = "WEB4e5f60718293",
                   .title = "收藏的文章",
                   .notebookId = "00000111",
                   .created = 1680000000,
                   .updated = 1680000000,
                   .sourceUrl = "https://blog.example.com/post/42",
                   .body = "<p>一篇网页剪报。</p>"});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s <folder> [<storage folder as recorded>]\n", argv[0]);
        return 2;
    }
    try {
        YNoteFixture ynote(argv[1]);
        if (argc == 3)
            ynote.SetStorageDirValue(std::string(argv[2]));
        FillSample(ynote);
        ynote.Close();
        std::printf("%s\n", ynote.DatabasePath().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_ynote_sample: %s\n", e.what());
        return 1;
    }
    return 0;
}
