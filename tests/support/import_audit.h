// What every import, however odd its account or machine, must leave true, checked from the
// outside: nothing written outside the knowledge base, the program's temporary folder and
// the log; a knowledge base that passes SQLite's integrity and foreign-key checks; every
// note of the account imported whole, imported with its losses named, or skipped with its
// reason, as the log's closing counts say. Each check returns the faults it found as
// sentences (empty when all holds), so that the fault tests and the fuzz targets share it.
// One thread.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zem::test {

// Every entry under a folder, links not followed: its kind and, for files, a digest of the
// bytes. Named pipes and devices are only named, never opened. Paths are UTF-8 with "/"
// separators on both editions.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& root);

// The program's log in the home `home`, and its text (UTF-8) from byte offset `from` on.
std::string LogPath(const std::string& home);
std::string LogTextFrom(const std::string& home, size_t from);

// Entries of `home` made, changed or removed between the snapshots outside the knowledge
// base, the program's temporary folder, the log and the data store's empty folders.
std::vector<std::string> ChangesOutsideItsPlaces(const Snapshot& before, const Snapshot& after,
                                                 const std::string& home,
                                                 const std::string& kbFolder);

// Faults of SQLite's integrity and foreign-key checks of the knowledge base (none when it
// has no index file).
std::vector<std::string> KnowledgeBaseFaults(const std::string& kbFolder);

// The titles the notes of the account get, as its owner's program reads it (from a copy in
// `folder`, on which SQLite may play back a journal; the account is never opened).
std::vector<std::string> AccountTitles(const std::string& account, const std::string& folder);

// Notes neither imported nor skipped, and counts in the closing line that disagree with the
// notes; `log` is what the run logged, `exitStatus` the program's status (0 when every note
// arrived whole), or -1 when there is none to check.
std::vector<std::string> NotesNotAccountedFor(const std::vector<std::string>& titles,
                                              const std::string& log, const std::string& kbFolder,
                                              int exitStatus);

}  // namespace zem::test
