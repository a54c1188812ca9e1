// The user's folders: temporary, private, Documents, local application data, home; and the
// user's name.
#include <errno.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/files.h"
#include "platform/posix/posix_helpers.h"
#include "platform/system_info.h"

namespace zem {

namespace {

std::string EnvironmentValue(const char* name) {
    const char* value = getenv(name);
    return value ? value : "";
}

void StripTrailingSlashes(std::string& path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
}

// The password-database entry of the effective user, read into `storage`.
const passwd* EffectiveUserEntry(passwd& entry, std::string& storage) {
    passwd* found = nullptr;
    storage.resize(16384);
    if (getpwuid_r(geteuid(), &entry, storage.data(), storage.size(), &found) != 0)
        return nullptr;
    return found;
}

std::string HomeFolder() {
    std::string home = EnvironmentValue("HOME");
    if (home.empty()) {
        passwd entry;
        std::string storage;
        if (const passwd* user = EffectiveUserEntry(entry, storage); user && user->pw_dir)
            home = user->pw_dir;
    }
    StripTrailingSlashes(home);
    return home;
}

// `home` + `rest` ("/Documents"), without doubling the root's slash.
std::string UnderHome(const std::string& home, const std::string& rest) {
    return (home == "/" ? "" : home) + rest;
}

// "$HOME/x" and absolute paths, as user-dirs.dirs and the environment write them.
std::string ExpandUserDir(std::string value, const std::string& home) {
    if (value == "$HOME")
        return home;
    if (value.starts_with("$HOME/"))
        value = UnderHome(home, value.substr(5));
    if (!value.starts_with("/"))
        return {};
    StripTrailingSlashes(value);
    return value;
}

std::string ConfigFolder(const std::string& home) {
    std::string config = EnvironmentValue("XDG_CONFIG_HOME");
    if (config.starts_with("/"))
        return config;
    return home.empty() ? "" : UnderHome(home, "/.config");
}

// XDG_DOCUMENTS_DIR="$HOME/Documents" from user-dirs.dirs, empty when not there.
std::string DocumentsFromUserDirs(const std::string& home) {
    const std::string config = ConfigFolder(home);
    std::string bytes;
    if (config.empty() || !posix::ReadWholeFile(config + "/user-dirs.dirs", bytes))
        return {};
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string_view line(bytes.data() + start, end - start);
        start = end + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
            line.remove_suffix(1);
        if (!line.starts_with(kKey))
            continue;
        line.remove_prefix(kKey.size());
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"')
            line = line.substr(1, line.size() - 2);
        return ExpandUserDir(std::string(line), home);
    }
    return {};
}

}  // namespace

Text GetSystemTempFolder() {
    std::string temp = EnvironmentValue("TMPDIR");
    if (temp.empty())
        temp = "/tmp";
    if (temp.back() != '/')
        temp += '/';
    return FromFileSystemBytes(temp);
}

Text MakePrivateFolder(const Text& path, Text& reason) {
    reason.clear();
    std::string native;
    if (!posix::ToNativeName(path, native) || native.empty()) {
        reason = u"the temporary folder name is not usable";
        return {};
    }
    StripTrailingSlashes(native);
    const size_t slash = native.rfind('/');
    if (slash != std::string::npos && slash > 0)
        posix::MakeFolders(native.substr(0, slash), 0777);

    std::string refusal;
    if (mkdir(native.c_str(), 0700) == 0) {
        chmod(native.c_str(), 0700);  // exactly private, whatever the umask
        return FromFileSystemBytes(native + "/");
    }
    if (errno != EEXIST) {
        refusal = native + " cannot be created: " + ToUtf8(ErrorCodeText(errno));
    } else {
        // Another user may have made this name first on a shared temporary folder; a folder
        // is used only when it is this user's own and nobody else can put files into it.
        struct stat st;
        if (lstat(native.c_str(), &st) != 0)
            refusal = native + " cannot be examined: " + ToUtf8(ErrorCodeText(errno));
        else if (S_ISLNK(st.st_mode))
            refusal = native + " is a symbolic link";
        else if (!S_ISDIR(st.st_mode))
            refusal = native + " is not a folder";
        else if (st.st_uid != geteuid())
            refusal = native + " is not owned by the user";
        else if (st.st_mode & (S_IWGRP | S_IWOTH))
            refusal = native + " is writable by others";
        else {
            // The user's own folder: keep its contents private from now on.
            if (st.st_mode & (S_IRWXG | S_IRWXO))
                chmod(native.c_str(), 0700);
            return FromFileSystemBytes(native + "/");
        }
    }
    std::string fresh = native + "-XXXXXX";
    if (mkdtemp(fresh.data())) {
        reason = FromFileSystemBytes(refusal + "; using " + fresh + " instead");
        return FromFileSystemBytes(fresh + "/");
    }
    const int error = errno;
    reason = FromFileSystemBytes(
        refusal + "; no private folder could be made beside it: " + ToUtf8(ErrorCodeText(error)));
    SetLastErrorCode(error);
    return {};
}

Text GetHomeFolder() {
    return FromFileSystemBytes(HomeFolder());
}

Text GetDocumentsFolderPath() {
    const std::string home = HomeFolder();
    std::string documents = ExpandUserDir(EnvironmentValue("XDG_DOCUMENTS_DIR"), home);
    if (documents.empty())
        documents = DocumentsFromUserDirs(home);
    if (documents.empty() && !home.empty())
        documents = UnderHome(home, "/Documents");
    return FromFileSystemBytes(documents);
}

Text GetLocalAppDataFolderPath() {
    std::string data = EnvironmentValue("XDG_DATA_HOME");
    if (data.starts_with("/")) {
        StripTrailingSlashes(data);
        return FromFileSystemBytes(data);
    }
    const std::string home = HomeFolder();
    return home.empty() ? Text() : FromFileSystemBytes(UnderHome(home, "/.local/share"));
}

Text GetUserName() {
    passwd entry;
    std::string storage;
    if (const passwd* user = EffectiveUserEntry(entry, storage); user && user->pw_name)
        return FromUtf8(user->pw_name);
    std::string name = EnvironmentValue("USER");
    if (name.empty())
        name = EnvironmentValue("LOGNAME");
    if (name.empty())
        name = std::to_string(geteuid());
    return FromUtf8(name);
}

}  // namespace zem
