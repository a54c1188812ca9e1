#include "import/working_files.h"

#include <utility>

#include "platform/files.h"
#include "util/paths.h"

namespace zem {

ImportWorkingFiles::ImportWorkingFiles(Text importFolder, bool keep)
    : importFolder_(std::move(importFolder)), keep_(keep) {}

namespace {

void DeleteFiles(TextList& files, bool keep) {
    if (!keep) {
        for (const Text& file : files)
            DeleteFile(file);
    }
    files.clear();
}

}  // namespace

ImportWorkingFiles::~ImportWorkingFiles() {
    DeleteFiles(noteFiles_, keep_);
    DeleteFiles(runFiles_, keep_);
    // Resource folders made for the run's copies; folders still holding files stay.
    if (!keep_)
        RemoveEmptySubfolders(importFolder_);
}

void ImportWorkingFiles::AddRunFile(const Text& path) {
    runFiles_.push_back(path);
}

void ImportWorkingFiles::AddNoteFile(const Text& path) {
    noteFiles_.push_back(path);
}

void ImportWorkingFiles::AddNoteFiles(const TextList& paths) {
    noteFiles_.insert(noteFiles_.end(), paths.begin(), paths.end());
}

void ImportWorkingFiles::RemoveNoteFiles() {
    DeleteFiles(noteFiles_, keep_);
}

}  // namespace zem
