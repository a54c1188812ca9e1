// The user's folders: temporary, private, Documents, local application data, profile; and
// the user's name.

#include "platform/files.h"
#include "platform/system_info.h"
#include "platform/win32/windows_api.h"

namespace zem {

namespace {

Text KnownFolder(const KNOWNFOLDERID& id) {
    win32::UseRegistryOverride();  // the shell reads the user's folders from the hive
    wchar_t* path = nullptr;
    Text result;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)) && path)
        result = win32::FromWide(path);
    CoTaskMemFree(path);
    while (result.size() > 3 && IsPathSeparator(result.back()))
        result.pop_back();
    return result;
}

// A usable private folder: a real folder, not a link or junction to somewhere else.
bool IsOwnFolder(const Text& folder, Text& refusal) {
    const DWORD attributes = GetFileAttributesW(win32::Wide(folder));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        refusal =
            folder + u" cannot be examined: " + ErrorCodeText(static_cast<int>(::GetLastError()));
    else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        refusal = folder + u" is a link";
    else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        refusal = folder + u" is not a folder";
    else
        return true;
    return false;
}

}  // namespace

Text GetSystemTempFolder() {
    wchar_t buffer[MAX_PATH + 2];
    const DWORD length = GetTempPathW(MAX_PATH + 2, buffer);
    Text folder = length > 0 && length <= MAX_PATH + 1 ? win32::FromWide(buffer, length) : Text();
    if (folder.empty())
        folder = GetLocalAppDataFolderPath() + u"\\Temp";
    if (!IsPathSeparator(folder.back()))
        folder += u'\\';
    return folder;
}

// The temporary path lies in the user's profile (%LOCALAPPDATA%\Temp), whose permissions
// let only the user and the system in; a folder made there inherits them and is private.
// What can be checked is that the name is a real folder and not a link out of the profile.
Text MakePrivateFolder(const Text& path, Text& reason) {
    reason.clear();
    Text folder = path;
    while (folder.size() > 3 && IsPathSeparator(folder.back()))
        folder.pop_back();
    if (folder.empty() || !win32::CheckName(folder)) {
        reason = u"the temporary folder name is not usable";
        return {};
    }
    if (const size_t separator = LastPathSeparator(folder);
        separator != Text::npos && separator > 0)
        CreateFolderAndParents(folder.substr(0, separator));
    Text refusal;
    if (CreateDirectoryW(win32::Wide(folder), nullptr))
        return folder + u'\\';
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS)
        refusal = folder + u" cannot be created: " + ErrorCodeText(static_cast<int>(error));
    else if (IsOwnFolder(folder, refusal))
        return folder + u'\\';
    const size_t separator = LastPathSeparator(folder);
    const Text fresh = CreateUniqueFolder(
        separator == Text::npos ? Text() : folder.substr(0, separator),
        (separator == Text::npos ? folder : folder.substr(separator + 1)) + u"-");
    if (!fresh.empty()) {
        reason = refusal + u"; using " + fresh.substr(0, fresh.size() - 1) + u" instead";
        return fresh;
    }
    const int failure = GetLastErrorCode();
    reason = refusal + u"; no private folder could be made beside it: " + ErrorCodeText(failure);
    SetLastErrorCode(failure);
    return {};
}

Text GetHomeFolder() {
    return KnownFolder(FOLDERID_Profile);
}

Text GetDocumentsFolderPath() {
    return KnownFolder(FOLDERID_Documents);
}

Text GetLocalAppDataFolderPath() {
    return KnownFolder(FOLDERID_LocalAppData);
}

Text GetUserName() {
    wchar_t buffer[UNLEN + 1];
    DWORD length = UNLEN + 1;
    if (!GetUserNameW(buffer, &length) || length == 0)
        return GetEnvironmentText("USERNAME");
    return win32::FromWide(buffer, length - 1);  // the count includes the closing NUL
}

}  // namespace zem
