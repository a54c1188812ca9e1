// Generates a synthetic YNote account (database + attachment storage folder) for the
// benchmarks, through the same fixture builder the tests use.
//
// Usage: bench_generate_account <folder> [--notes N] [--notebooks N] [--tags N]
//   [--tag-depth D] [--tags-per-note K] [--body-bytes B] [--pictures-per-note P]
//   [--picture-bytes S] [--attachment-every E] [--attachment-bytes A] [--keyless]
// --keyless makes every table without a key or index, as an account may come.
// Prints the database path.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/ynote_fixture.h"

namespace {

struct Parameters {
    long notes = 1000;
    long notebooks = 10;
    long tags = 50;
    long tagDepth = 3;
    long tagsPerNote = 3;
    long bodyBytes = 4096;
    long picturesPerNote = 0;
    long pictureBytes = 100 * 1024;
    long attachmentEvery = 0;  // one attachment every E notes; 0: none
    long attachmentBytes = 1024 * 1024;
    bool keyless = false;
};

bool ParseArguments(int argc, char** argv, std::string& folder, Parameters& p) {
    const std::map<std::string, long*> options = {
        {"--notes", &p.notes},
        {"--notebooks", &p.notebooks},
        {"--tags", &p.tags},
        {"--tag-depth", &p.tagDepth},
        {"--tags-per-note", &p.tagsPerNote},
        {"--body-bytes", &p.bodyBytes},
        {"--pictures-per-note", &p.picturesPerNote},
        {"--picture-bytes", &p.pictureBytes},
        {"--attachment-every", &p.attachmentEvery},
        {"--attachment-bytes", &p.attachmentBytes},
    };
    for (int i = 1; i < argc; ++i) {
        auto option = options.find(argv[i]);
        if (option != options.end() && i + 1 < argc) {
            *option->second = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--keyless") == 0) {
            p.keyless = true;
        } else if (argv[i][0] != '-' && folder.empty()) {
            folder = argv[i];
        } else {
            return false;
        }
    }
    return !folder.empty() && p.notebooks > 0 && p.tagDepth > 0;
}

std::string Bytes(std::mt19937& random, long size) {
    std::string bytes(static_cast<size_t>(size), '\0');
    for (auto& b : bytes)
        b = static_cast<char>(random());
    return bytes;
}

// A body of about `size` bytes of HTML paragraphs, with the pictures referenced by id.
std::string Body(long size, const std::vector<std::string>& pictureIds) {
    std::string body = "<div>";
    for (const auto& id : pictureIds)
        body += "<p><img src=\"" + id + "\"></p>";
    static const std::string kParagraph =
        "<p>有道云笔记 benchmark text: the quick brown fox jumps over the lazy dog.</p>";
    while (static_cast<long>(body.size()) < size)
        body += kParagraph;
    return body + "</div>";
}

// Tags form `depth` levels; each level holds its share of the count, every tag below the
// top hangs under a tag of the level above.
std::vector<std::string> AddTags(zem::test::YNoteFixture& account, const Parameters& p) {
    std::vector<std::string> ids;
    std::vector<std::string> previousLevel;
    long made = 0;
    for (long level = 0; level < p.tagDepth && made < p.tags; ++level) {
        const long count = level + 1 == p.tagDepth ? p.tags - made : p.tags / p.tagDepth;
        std::vector<std::string> thisLevel;
        for (long i = 0; i < count; ++i, ++made) {
            const std::string id = "tag" + std::to_string(made);
            const std::string parent =
                previousLevel.empty() ? "" : previousLevel[i % previousLevel.size()];
            account.AddTag(id, parent, "标签-" + std::to_string(made));
            thisLevel.push_back(id);
            ids.push_back(id);
        }
        previousLevel = std::move(thisLevel);
    }
    return ids;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder;
    Parameters p;
    if (!ParseArguments(argc, argv, folder, p)) {
        std::fprintf(stderr, "usage: bench_generate_account <folder> [--notes N] ...\n");
        return 2;
    }
    zem::test::YNoteFixture account(
        folder, "account",
        p.keyless ? zem::test::YNoteKeys::kNone : zem::test::YNoteKeys::kPrimaryKeys);
    account.Database().Exec("begin");
    for (long i = 0; i < p.notebooks; ++i)
        account.AddNotebook("nb" + std::to_string(i), "笔记本 " + std::to_string(i));
    const std::vector<std::string> tagIds = AddTags(account, p);

    std::mt19937 random(12345);
    const std::string picture = Bytes(random, p.pictureBytes);
    const std::string attachment = Bytes(random, p.attachmentBytes);
    for (long n = 0; n < p.notes; ++n) {
        const std::string noteId = "note" + std::to_string(n);
        std::vector<std::string> pictureIds;
        for (long k = 0; k < p.picturesPerNote; ++k) {
            const std::string resId = noteId + "pic" + std::to_string(k);
            account.AddResource(resId, noteId, 1, noteId + "\\" + resId + ".png", picture);
            pictureIds.push_back(resId);
        }
        if (p.attachmentEvery > 0 && n % p.attachmentEvery == 0)
            account.AddResource(noteId + "att", noteId, 2, noteId + "\\report.pdf", attachment);
        std::string tags;
        for (long k = 0; k < p.tagsPerNote && !tagIds.empty(); ++k)
            tags += (k ? "," : "") + tagIds[(n * 7 + k * 13) % tagIds.size()];
        zem::test::YNoteNote note;
        note.noteId = noteId;
        note.title = "笔记 " + std::to_string(n);
        note.notebookId = "nb" + std::to_string(n % p.notebooks);
        note.tags = tags;
        note.created = 1600000000 + n * 60;
        note.updated = note.created + 3600;
        note.sourceUrl = "https://example.com/" + noteId;
        note.body = Body(p.bodyBytes, pictureIds);
        account.AddNote(note);
    }
    account.Database().Exec("commit");
    account.Close();
    std::printf("%s\n", account.DatabasePath().c_str());
    return 0;
}
