// File helpers of the engine library, on top of the platform's file services. Writes are
// atomic as platform/atomic_write.h describes (WriteFileAtomically lives there). Paths use "/"
// as separator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/atomic_write.h"
#include "platform/files.h"
#include "platform/text.h"

namespace zem::kmcore {

// Writes a file that is not there yet directly, with no temporary file to rename. A regular
// file already there with no other name is written over in place (its caller, who named it,
// may be reusing it: replacing it would free its inode, see docs/PERFORMANCE.md); anything
// else there is replaced as WriteFileAtomically does. A new file whose write fails is
// removed again.
bool WriteNewOrOverwriteFile(const Text& path, std::string_view bytes);
// The same for a file whose old content may be missing or empty: nothing there (the page of
// a new document) is written as a new file, and an empty regular file is filled in place,
// since a write cut short loses nothing that was there, and filling it spares a new file and
// the removal of the old. On a failed write an empty file is left empty again, a new one
// removed.
bool WriteFileFillingEmpty(const Text& path, std::string_view bytes);
// Creates an empty file where nothing is; true also when something is there already.
bool CreateEmptyFileUnlessThere(const Text& path);
// Copies a regular file, by the kernel where it can (FileStream::CopyFrom), and puts it in
// place as WriteFileAtomically does; `size` (may be null) receives its length.
bool CopyFileAtomically(const Text& source, const Text& target, uint64_t* size);

// Creates the folder of a new object, which is not there yet: it is made at once, without
// looking at the path first, and only a failure falls back to CreateFolderAndParents.
bool MakeNewFolder(const Text& folder);
// Takes back a folder made for an object that could not be stored: removes everything in it
// and then the folder. Links inside are removed, never followed.
void RemoveObjectFolder(const Text& folder);

bool IsRegularFile(const Text& path);
bool IsFolder(const Text& path);

// The folder part of a path including its closing separator (empty when there is none), and
// the part after the last separator.
Text FolderOf(const Text& path);
Text FileNameOf(const Text& path);
// A path relative to the current directory made absolute; other paths unchanged.
Text AbsolutePath(const Text& path);
// Appends the edition's separator unless the text is empty or already ends with "/" or "\".
Text WithClosingSlash(Text folder);

}  // namespace zem::kmcore
