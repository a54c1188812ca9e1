// Note bodies of random tag soup, built from the constructs that decide what a browser
// fetches, imported by the program into the engine; an HTML5 parser (html5lib, through
// page_judge.py) then compares each stored page with the note page it was made from: the
// same tree but for the links, every picture of the note shown from a copy, and no local
// link of the stored page leading to a missing file or out of the document's folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "imported_account_check.h"
#include "support/program_runner.h"
#include "support/test_files.h"
#include "support/test_home.h"
#include "support/ynote_fixture.h"

namespace zem::test {
namespace {

class TagSoup {
  public:
    TagSoup(uint32_t seed, std::vector<std::string> links)
        : random_(seed), links_(std::move(links)) {}

    std::string Body(int parts) {
        std::string body;
        for (int i = 0; i < parts; ++i)
            body += Part();
        return body;
    }

  private:
    size_t Pick(size_t count) {
        return std::uniform_int_distribution<size_t>(0, count - 1)(random_);
    }
    template <class T, size_t N>
    const T& Any(const T (&choices)[N]) {
        return choices[Pick(N)];
    }

    // A link: one of the note's pictures most of the time, else one that leads nowhere
    // local, or that a browser resolves outside the page's folder.
    std::string Link() {
        static const std::string kOthers[] = {"missing.png",
                                              "../outside.png",
                                              "http://example.com/a.png",
                                              "data:image/png;base64,AA",
                                              "#part",
                                              "sub/../missing%20too.png",
                                              "//example.org/x.png",
                                              "mailto:a@b"};
        return Pick(4) ? links_[Pick(links_.size())] : Any(kOthers);
    }

    std::string Quoted(const std::string& value) {
        switch (Pick(4)) {
            case 0:
                return "\"" + value + "\"";
            case 1:
                return "'" + value + "'";
            case 2:
                return value.find_first_of(" \"'") == std::string::npos ? value
                                                                        : "\"" + value + "\"";
            default:  // the same value with its "&" and "." as character references
            {
                std::string escaped;
                for (char c : value)
                    escaped += c == '&' ? "&amp;" : c == '.' ? "&#46;" : std::string(1, c);
                return "\"" + escaped + "\"";
            }
        }
    }

    std::string Text() {
        static const char* kTexts[] = {"text ", "a &amp; b ",  "&lt;img src=x&gt; ",
                                       "中文 ", "&copy 2024 ", "a < b ",
                                       "\n",    "x &notit; y "};
        return Any(kTexts);
    }

    std::string Part() {
        switch (Pick(30)) {
            case 0:
                return "<img src=" + Quoted(Link()) + " alt=" + Quoted("a picture") + ">";
            case 1:
                return "<img SRCSET=" + Quoted(Link() + " 1x, " + Link() + " 2x") +
                       " src=" + Quoted(Link()) + ">";
            case 2:
                return "<picture><source srcset=" + Quoted(Link() + " 300w") +
                       " media=" + Quoted("(min-width: 1px)") + "><img src=" + Quoted(Link()) +
                       "></picture>";
            case 3:
                return "<video poster=" + Quoted(Link()) + " src=" + Quoted(Link()) +
                       "><track src=" + Quoted(Link()) + "></video><audio src=" + Quoted(Link()) +
                       "></audio>";
            case 4:
                return "<input type=image src=" + Quoted(Link()) + "><embed src=" + Quoted(Link()) +
                       "><object data=" + Quoted(Link()) + "></object>";
            case 5:
                return "<svg width=10><image href=" + Quoted(Link()) +
                       "/><image xlink:href=" + Quoted(Link()) + "></image></svg>";
            case 6:
                return "<table background=" + Quoted(Link()) +
                       "><tr><td background=" + Quoted(Link()) + ">" + Text() +
                       "</td></tr></table>";
            case 7:
                return "<div style=" + Quoted("background: url(" + Link() + ") ; color:red") + ">" +
                       Text() + "</div>";
            case 8:
                return "<style>/* url(" + Link() + ") */ p{background:URL('" + Link() +
                       "')} @import \"" + Link() + "\";</style>";
            case 9:
                return "<!-- <img src=\"" + Link() + "\"> -->";
            case 10:
                return Pick(2) ? "<!--><img src=" + Quoted(Link()) + ">"
                               : "<!---><img src=" + Quoted(Link()) + ">";
            case 11:
                return "<?pi <img src=\"" + Link() + "\"> ?></ x><img src=" + Quoted(Link()) + ">";
            case 12:
                return "<script>document.write('<img src=\"" + Link() + "\">')</script>";
            case 13: {
                static const char* kTextElements[] = {"textarea", "title",    "xmp",   "noembed",
                                                      "noframes", "noscript", "iframe"};
                const std::string name = Any(kTextElements);
                return "<" + name + "><img src=\"" + Link() + "\"></" + name + ">";
            }
            case 14:
                return "<template><img src=" + Quoted(Link()) + "><div style=\"background:url(" +
                       Link() + ")\"></div></template>";
            case 15:
                return "<a href=" + Quoted(Link()) + " title=x>" + Text() + "</a>";
            case 16:
                return "<link rel=stylesheet href=" + Quoted(Link()) +
                       "><link rel=icon href=" + Quoted(Link()) + ">";
            case 17:
                return "<body class=inner><html lang=zh>";
            case 18:
                return Pick(8) ? "<p class=\"x\" id=y>" + Text() + "</p>"
                               : "<base href=" + Quoted(Pick(2) ? "https://example.com/d/" : "./") +
                                     " target=_self>";
            case 19:
                return "<img src=" + Quoted(Link()) + " src=" + Quoted(Link()) + " alt>";
            case 20:
                return "<svg><style><img src=" + Quoted(Link()) + "></style></svg>";
            case 21:
                return "<math><mi><img src=" + Quoted(Link()) + "></mi></math>";
            case 22:
                return "<image src=" + Quoted(Link()) + ">";
            case 23:
                return Pick(20) ? Text() : "<plaintext><img src=" + Quoted(Link()) + ">";
            default:
                return Text();
        }
    }

    std::mt19937 random_;
    std::vector<std::string> links_;
};

TEST(PageDifferential, StoredPagesKeepTheNotesTreeAndShowItsPictures) {
#ifdef _WIN32
    GTEST_SKIP() << "the page judge (python3 with html5lib) runs only on the Linux edition";
#endif
    const std::string folder = MakeTestFolder("differential");
    YNoteFixture account(folder + "/ynote");
    account.AddNotebook("NB", "Soup");
    constexpr int kNotes = 300;
    struct Note {
        std::string id, body;
        std::vector<std::pair<std::string, std::string>> pictures;  // resid, stored path
    };
    std::vector<Note> notes;
    for (int n = 0; n <= kNotes; ++n) {
        Note note{"N" + std::to_string(n), {}, {}};
        std::vector<std::string> links;
        for (int k = 0; k < 3; ++k) {
            const std::string id = "RES" + std::to_string(n) + "X" + std::to_string(k) + "Z";
            const std::string storedPath =
                "u" + std::to_string(n) + "\\pic " + std::to_string(k) + (k == 2 ? ".css" : ".png");
            note.pictures.emplace_back(id, storedPath);
            links.push_back(id);
            // Every fifth note lost its last picture's file: its link stays as it was.
            const bool lost = k == 1 && n % 5 == 0;
            account.AddResource(
                id, note.id, 1, storedPath,
                lost ? std::nullopt : std::optional<std::string>("bytes of " + storedPath));
        }
        // Note 0 has an empty body: its stored page is the template alone.
        note.body = n == 0 ? "" : TagSoup(1000 + n, links).Body(1 + n % 25);
        account.AddNote({note.id, "note " + std::to_string(n), "NB", "", 1700000000, 1700000000, "",
                         note.body});
        notes.push_back(std::move(note));
    }
    account.Close();
    const std::string kb = MakeTestFolder("differential-kb");
    const ProgramResult run = RunImport(kb, account.DatabasePath());
    // Pictures whose files are gone are named as losses (and the run ends with 3).
    ASSERT_EQ(run.exitCode, 3) << run.output << run.errors;
    EXPECT_NE(run.output.find("note \"note 5\" lost the picture u5\\pic 1.png"), std::string::npos)
        << run.output;

    auto storedPage = [&](int n) {
        return kb + "/documents/" + DocumentGuid(kb, "note " + std::to_string(n)) + "/index.html";
    };
    const std::string empty = ReadFileBytes(storedPage(0));
    const size_t bodyEnd = empty.find("<body>") + 6;
    ASSERT_NE(bodyEnd, std::string::npos + 6) << empty;
    const std::string templateEnd = empty.substr(bodyEnd);
    // The note page as the program hands it to the engine: the template around the body,
    // each picture's id replaced by its link. It lies in the storage folder, where the links
    // lead to the pictures as they do beside the program's page.
    std::vector<std::pair<std::string, std::string>> pages;
    for (int n = 1; n <= kNotes; ++n) {
        std::string body = notes[n].body;
        for (const auto& [id, storedPath] : notes[n].pictures) {
            if (n % 5 == 0 && id.ends_with("X1Z"))
                continue;
            // The program links a picture by its path made a link: "/" and "%20".
            std::string link = storedPath;
            std::replace(link.begin(), link.end(), '\\', '/');
            link.replace(link.find(' '), 1, "%20");
            for (size_t at = body.find(id); at != std::string::npos; at = body.find(id, at))
                body.replace(at, id.size(), link);
        }
        const std::string page = account.StorageFolder() + "note" + std::to_string(n) + ".htm";
        WriteFileBytes(page, empty.substr(0, bodyEnd) + body + templateEnd);
        pages.emplace_back(page, storedPage(n));
    }
    ExpectPagesJudged(pages, folder);
}

}  // namespace
}  // namespace zem::test
