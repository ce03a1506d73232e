#pragma once

#include <string>

// Where the local channel names "Nereon" and "Kelvara" live: a folder only
// the current user can enter, so no other user can take a name first, read
// the depths or stall the program.
//
// The folder is $XDG_RUNTIME_DIR when the system provides one; otherwise
// "marevox-<uid>" in $TMPDIR (or /tmp), created with mode 0700 when missing.
// Either way it must be a real folder (not a link), owned by the user and
// closed to everyone else, or it is refused.
struct ChannelFolder {
    std::string path;   // empty when refused
    std::string error;  // why, when refused

    static ChannelFolder Find();

    // The socket path of a channel name; a name that is already a path
    // (starts with '/') stands as it is. Empty when the folder was refused:
    // there is then no safe place for the name, and a bare name would land
    // in the shared temporary folder.
    std::string NamePath(const std::string& name) const;
};

// "" when path is a folder (not a link) owned by the current user and
// closed to group and others; otherwise the reason.
std::string CheckPrivateFolder(const std::string& path);

// "" when path is missing or a socket owned by the current user; otherwise
// the reason (a name someone else made).
std::string CheckOwnSocket(const std::string& path);

// True when the process at the other end of the connected local socket fd
// runs as the current user.
bool PeerIsCurrentUser(int fd);
