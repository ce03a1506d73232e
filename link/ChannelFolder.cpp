#include "link/ChannelFolder.h"

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

#ifndef _WIN32
std::string SystemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

std::string Absolute(const char* value) {
    return (value != nullptr && value[0] == '/') ? std::string(value) : std::string();
}
#endif

}  // namespace

#ifndef _WIN32

ChannelFolder ChannelFolder::Find() {
    ChannelFolder folder;
    std::string path = Absolute(std::getenv("XDG_RUNTIME_DIR"));
    if (path.empty()) {
        std::string base = Absolute(std::getenv("TMPDIR"));
        if (base.empty()) base = "/tmp";
        path = base + "/marevox-" + std::to_string(::getuid());
        // Made closed from the start; an existing one is checked below.
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
            folder.error = SystemError(path, errno);
            return folder;
        }
    }
    folder.error = CheckPrivateFolder(path);
    if (folder.error.empty()) folder.path = path;
    return folder;
}

std::string CheckPrivateFolder(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return SystemError(path, errno);
    if (!S_ISDIR(info.st_mode)) return path + ": not a folder";
    if (info.st_uid != ::getuid()) return path + ": owned by another user";
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) return path + ": open to other users";
    return {};
}

std::string CheckOwnSocket(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return errno == ENOENT ? std::string() : SystemError(path, errno);
    if (!S_ISSOCK(info.st_mode)) return path + ": not a socket";
    if (info.st_uid != ::getuid()) return path + ": owned by another user";
    return {};
}

bool PeerIsCurrentUser(int fd) {
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0) return false;
    return length == sizeof peer && peer.uid == ::getuid();
}

#else

// Local channel names on Windows are named pipes, reachable by the current
// user only through the pipe's own access rules.
ChannelFolder ChannelFolder::Find() {
    return {};
}
std::string CheckPrivateFolder(const std::string&) {
    return {};
}
std::string CheckOwnSocket(const std::string&) {
    return {};
}
bool PeerIsCurrentUser(int) {
    return true;
}

#endif

std::string ChannelFolder::NamePath(const std::string& name) const {
    if (!name.empty() && name.front() == '/') return name;
    if (!error.empty()) return {};
    return path.empty() ? name : path + "/" + name;
}
