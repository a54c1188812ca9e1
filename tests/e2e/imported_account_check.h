// Checks a knowledge base against the YNote account it was imported from, reading both
// files directly: one folder per notebook, the tag tree, and for every note its document
// with title, source address, three dates, tags, attachments (byte for byte) and pictures
// (linked by relative path and present). Differences are GoogleTest failures. Titles must
// be unique within the account, since documents are matched by title.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zem::test {

struct ImportCheckOptions {
    bool resourcesReachable = true;  // false: the storage folder was missing at import time
};

void ExpectImportedAccount(const std::string& ynoteDatabase, const std::string& storageFolder,
                           const std::string& kbFolder, ImportCheckOptions options = {});

// Judges stored pages against the note pages they were made from (pairs of paths) with
// page_judge.py, through html5lib: a GoogleTest failure for any fault; the judge's report.
// `folder` receives the judge's list and report. The Windows edition cannot start the judge (a
// Linux program): it says so and returns empty.
std::string ExpectPagesJudged(const std::vector<std::pair<std::string, std::string>>& pages,
                              const std::string& folder);

// The guid of the document with this title, or empty.
std::string DocumentGuid(const std::string& kbFolder, const std::string& title);

}  // namespace zem::test
