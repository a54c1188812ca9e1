// The objects a knowledge base hands out: tags, folders, documents and attachments. Each
// holds the knowledge base (shared) and the key of its row, and comes back from these
// functions with one reference owned by the caller. Every call holds a KnowledgeBase::Call
// while it runs. Changes to a document and its attachments wait to be stored together (see
// KnowledgeBase); every other change is one transaction, stored when the call returns.
#pragma once

#include <memory>

#include "knowledge_base.h"
#include "platform/com.h"

namespace zem::kmcore {

IUnknown* NewTagObject(std::shared_ptr<KnowledgeBase> kb, Text guid);
IUnknown* NewFolderObject(std::shared_ptr<KnowledgeBase> kb, Text location);
IUnknown* NewDocumentObject(std::shared_ptr<KnowledgeBase> kb, Text guid);
IUnknown* NewAttachmentObject(std::shared_ptr<KnowledgeBase> kb, Text guid, Text documentGuid);

// Tag storage shared by the database component, tag objects and documents.
// The first tag of that name (a-z compared without case) anywhere in the tree, or among the
// children of `parentGuid` when it is not null; empty text when there is none.
Text FindTag(KnowledgeBase& kb, const Text& name, const Text* parentGuid);
// A new tag, at the top level when `parentGuid` is empty; empty text on failure.
Text InsertTag(KnowledgeBase& kb, const Text& parentGuid, const Text& name,
               const Text& description);
// The key of a tag object made by this library; false for anything else.
bool TagGuidOf(IUnknown* tag, Text& guid);

// The key of a document object made by this library; false for anything else.
bool DocumentGuidOf(IUnknown* document, Text& guid);

// Folder locations: "/a/b/" for "a/b", "/a/b" or "/a//b/"; false when no name is left.
bool NormalizeLocation(const Text& location, Text& normalized);
// Makes sure the folder and its parents exist (create) or checks that it exists: S_OK,
// S_FALSE (missing, not created), or a failure status.
HRESULT EnsureFolder(KnowledgeBase& kb, const Text& location, bool create);

// The text of an optional string argument.
inline Text ArgText(const char16_t* text) {
    return text ? Text(text) : Text();
}

}  // namespace zem::kmcore
