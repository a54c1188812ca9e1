// The Zem host's knowledge-base interfaces, shared by the program and the host libraries.
//
// Texts go in as NUL-terminated UTF-16 strings made for the call; texts come out as BSTRs
// owned by the caller. Out objects come back as IUnknown pointers carrying one reference
// owned by the caller, who asks them for the interface it needs before use. Every
// operation returns a status; negative is failure.
#pragma once

#include <chrono>
#include <cstddef>

#include "platform/com.h"

namespace zem {

constexpr CLSID CLSID_ZemKMDatabase = MakeGuid("AB45C39E-7793-4DCE-8C3E-3DA52B07AD68");
constexpr CLSID CLSID_ZemKMTools = MakeGuid("0862A44D-A591-4FAF-950C-EB81BE4AC372");
constexpr CLSID CLSID_ZemKMSettings = MakeGuid("8BC0154C-BE01-45A6-949D-A4D8E5A0D8AA");

// The status of a call that could not run because another program holds the knowledge base
// (writing to it, or keeping it locked). Nothing was changed; the same call may be tried
// again later. OpenEx gives it when the knowledge base cannot even be read for that reason.
constexpr HRESULT ZEM_E_KNOWLEDGE_BASE_BUSY = static_cast<HRESULT>(0x80040210u);

// The fixed text the program passes as the second argument of OpenEx.
inline constexpr char16_t kOpenExFixedText[] = u"{3C7E91B2-6F0D-4A58-9E21-B4D07A6C5F13}";

// The flags the program gives IZemKMDocument::UpdateFromHtmlFile, the value a Zem host expects
// from an importer. No bit of it changes how this engine takes a page in.
inline constexpr int32_t kUpdateFromHtmlFileFlags = 0x22;

// The engine stores the changes of at most this many documents together, in one transaction;
// the program counts its imported notes in groups of the same size.
inline constexpr size_t kMostDocumentsStoredTogether = 32;
// The longest the engine keeps a document's changes back before storing them; no imported
// note waits longer than this to be counted.
inline constexpr std::chrono::milliseconds kLongestChangesKeptBack{200};

struct IZemKMDatabase : IUnknown {
    static constexpr IID kIID = MakeGuid("66EDABF2-D4D0-4B63-BFFA-EB7C53A9372A");
    // Empty path: the user's default knowledge base. Only 0 is success.
    virtual HRESULT ZEM_STDMETHODCALLTYPE Open(const char16_t* path) = 0;
    // Opens the knowledge base whose index file is `path`; on failure `errorText` (may be
    // null) receives why.
    virtual HRESULT ZEM_STDMETHODCALLTYPE OpenEx(const char16_t* path, const char16_t* fixedText,
                                                 int32_t flags, BSTR* errorText) = 0;
    // An existing tag of that name anywhere in the tree (a-z compared without case), or
    // S_FALSE with no object.
    virtual HRESULT ZEM_STDMETHODCALLTYPE FindTagByName(const char16_t* name, IUnknown* parentTag,
                                                        const char16_t* description,
                                                        IUnknown** tag) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE CreateRootTag(const char16_t* name,
                                                        const char16_t* description,
                                                        IUnknown** tag) = 0;
    // The folder at a "/"-separated location, created with its missing parents when
    // `create` is true; a closing "/" is optional.
    virtual HRESULT ZEM_STDMETHODCALLTYPE GetFolderByLocation(const char16_t* location,
                                                              VARIANT_BOOL create,
                                                              IUnknown** folder) = 0;

  protected:
    ~IZemKMDatabase() = default;
};

struct IZemKMTag : IUnknown {
    static constexpr IID kIID = MakeGuid("C710180C-D3F6-4F25-B981-B6820B01C67C");
    virtual HRESULT ZEM_STDMETHODCALLTYPE CreateChildTag(const char16_t* name,
                                                         const char16_t* description,
                                                         IUnknown** tag) = 0;

  protected:
    ~IZemKMTag() = default;
};

struct IZemKMFolder : IUnknown {
    static constexpr IID kIID = MakeGuid("B0E49F7C-CF4B-4DD4-A3F3-432F628C3A31");
    virtual HRESULT ZEM_STDMETHODCALLTYPE CreateDocument(const char16_t* title,
                                                         const char16_t* name,
                                                         IUnknown** document) = 0;

  protected:
    ~IZemKMFolder() = default;
};

struct IZemKMDocument : IUnknown {
    static constexpr IID kIID = MakeGuid("5B78A65E-6EE8-41C7-B1DA-8ECBF9D917B0");
    virtual HRESULT ZEM_STDMETHODCALLTYPE SetDocumentUrl(const char16_t* url) = 0;
    // Content = the HTML file with the local files it links by relative path.
    virtual HRESULT ZEM_STDMETHODCALLTYPE UpdateFromHtmlFile(const char16_t* htmlFile,
                                                             const char16_t* url,
                                                             int32_t flags) = 0;
    // Links the document to the tags named in `names` (";"-separated).
    virtual HRESULT ZEM_STDMETHODCALLTYPE SetTagsText(const char16_t* names,
                                                      const char16_t* parentTagName) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE AddAttachmentFromFile(const char16_t* path,
                                                                IUnknown** attachment) = 0;
    // Dates are OLE automation dates in local time.
    virtual HRESULT ZEM_STDMETHODCALLTYPE SetDateCreated(double date) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE SetDateModified(double date) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE SetDateUpdated(double date) = 0;

  protected:
    ~IZemKMDocument() = default;
};

// Offered by this engine's document objects (reached by QueryInterface; other engines may
// not have it). The changes made to a document through its object and its attachments wait
// to be stored together, with those of the documents built after it, in one transaction in
// which each document succeeds or fails alone: once 32 documents wait, when the oldest has
// waited 200 ms and another document is started or built on (its own changes keep
// waiting), before anything else is changed or read, when the document or the database
// object is released, and at the latest 200 ms after the last call. A caller that must
// know they are stored asks for it.
struct IZemKMDocumentCommit : IUnknown {
    static constexpr IID kIID = MakeGuid("D3A1C5E8-4B7F-4E2A-9C61-0F8E2B5D7A93");
    // Stores the waiting changes now: S_OK, ZEM_E_KNOWLEDGE_BASE_BUSY (they are kept, and
    // stored by a later try), or another failure (they are dropped, with the files made for
    // a new document or attachment). When nothing waits, the outcome of the last store of
    // the document's changes (S_OK when there was none).
    virtual HRESULT ZEM_STDMETHODCALLTYPE CommitChanges() = 0;
    // Drops the waiting changes, with the files made for a new document or attachment;
    // whatever was stored before stays. S_OK.
    virtual HRESULT ZEM_STDMETHODCALLTYPE DiscardChanges() = 0;

  protected:
    ~IZemKMDocumentCommit() = default;
};

struct IZemKMAttachment : IUnknown {
    static constexpr IID kIID = MakeGuid("9368D723-8B76-45C3-9B65-BD88B0A1BE64");
    virtual HRESULT ZEM_STDMETHODCALLTYPE SetAttachmentText(const char16_t* text) = 0;

  protected:
    ~IZemKMAttachment() = default;
};

struct IZemKMSQLiteRecordset : IUnknown {
    static constexpr IID kIID = MakeGuid("74D15AA2-9E93-437C-990B-81A3D9155C06");
    // `eof` receives 0 while a current row exists, non-zero at the end.
    virtual HRESULT ZEM_STDMETHODCALLTYPE IsEOF(int32_t* eof) = 0;
    // NULL as empty text, integers as decimal digits, reals as SQLite prints them, blobs as
    // UTF-8 text. At the end of data: empty text and S_FALSE. Out of range: E_INVALIDARG.
    virtual HRESULT ZEM_STDMETHODCALLTYPE GetFieldText(int32_t column, BSTR* text) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE MoveNext() = 0;
    // Writes the column's bytes into the IStream held by `stream`.
    virtual HRESULT ZEM_STDMETHODCALLTYPE ReadBlobIntoStream(int32_t column, VARIANT stream) = 0;

  protected:
    ~IZemKMSQLiteRecordset() = default;
};

struct IZemKMSQLiteDatabase : IUnknown {
    static constexpr IID kIID = MakeGuid("0C5E7A41-2B9D-4F63-A8E0-5D1C3B7F9A24");
    // Opens a SQLite file read-only.
    virtual HRESULT ZEM_STDMETHODCALLTYPE OpenDatabase(const char16_t* path) = 0;
    // A result set (IZemKMSQLiteRecordset) for every valid statement, also without rows.
    virtual HRESULT ZEM_STDMETHODCALLTYPE ExecuteQuery(const char16_t* sql, int32_t flags,
                                                       IUnknown** recordset) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE CloseDatabase() = 0;

  protected:
    ~IZemKMSQLiteDatabase() = default;
};

// The engine library's SQLite factory export "ZemKMCreateSQLiteDatabase".
using ZemKMCreateSQLiteDatabaseFunc =
    HRESULT(ZEM_STDMETHODCALLTYPE*)(IZemKMSQLiteDatabase** database);

struct IZemKMTools : IUnknown {
    static constexpr IID kIID = MakeGuid("2F5EFFF9-B2C0-44E3-9AC1-071404A30D00");
    // Writes the document template out as an HTML file.
    virtual HRESULT ZEM_STDMETHODCALLTYPE ExtractHtmlFile(const char16_t* templateFile,
                                                          const char16_t* htmlFile) = 0;

  protected:
    ~IZemKMTools() = default;
};

// Settings statuses: negative failure, 0 success, 1 false or not there.
struct IZemKMSettingsSection : IUnknown {
    static constexpr IID kIID = MakeGuid("E70062FF-7718-4508-8545-3D38A13F3E9C");
    virtual HRESULT ZEM_STDMETHODCALLTYPE GetSectionValue(const char16_t* key, BSTR* value) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE GetSectionBool(const char16_t* key,
                                                         VARIANT_BOOL* value) = 0;

  protected:
    ~IZemKMSettingsSection() = default;
};

struct IZemKMSettings : IUnknown {
    static constexpr IID kIID = MakeGuid("E3C896AD-3E1F-453E-800C-07A1837E2F23");
    virtual HRESULT ZEM_STDMETHODCALLTYPE OpenFile(const char16_t* path) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE IsModified(VARIANT_BOOL* modified) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE GetValue(const char16_t* section, const char16_t* key,
                                                   BSTR* value) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE SetValue(const char16_t* section, const char16_t* key,
                                                   const char16_t* value) = 0;
    // Status 0 and an object (IZemKMSettingsSection) when the section exists, 1 otherwise.
    virtual HRESULT ZEM_STDMETHODCALLTYPE GetSection(const char16_t* section,
                                                     IUnknown** sectionObject) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE DeleteSection(const char16_t* section) = 0;
    virtual HRESULT ZEM_STDMETHODCALLTYPE SaveFile() = 0;

  protected:
    ~IZemKMSettings() = default;
};

// ZemTools.dll's set-up entries: one wide text each, result not read by the program.
using ZemToolsSetTextFunc = HRESULT(ZEM_STDMETHODCALLTYPE*)(const char16_t* text);

// ZemKMControls.dll's data-store chooser: two folder texts in, the chosen folder out.
using ZemKMSelectDataStoreFunc = HRESULT(ZEM_STDMETHODCALLTYPE*)(const char16_t* registeredStore,
                                                                 const char16_t* portableStore,
                                                                 BSTR* chosen);

}  // namespace zem
