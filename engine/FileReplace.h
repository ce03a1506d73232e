#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

#include "engine/EngineStatus.h"

// Replaces the contents of a file as one step: the bytes go to a temporary
// file beside it, reach the disk, and the temporary file is renamed over the
// old one. A crash at any moment leaves either the old file or the new one,
// never a half-written file. A symbolic link is followed, so the file it
// points to is replaced and the link stays. An existing file keeps its
// permissions. The temporary file is created exclusively and never through
// a link standing at its name. On failure the old file is untouched and the
// status names the file and the cause.
EngineStatus ReplaceFileContents(const std::string& path, const void* data, std::size_t size);

// What replacing does with a symbolic link, FIFO, folder or device standing
// at the name.
enum class AtALink {
    kFollow,  // a link's target is replaced, as said above (settings files)
    kRefuse,  // anything but a regular file at the name: kNotRegularFile (recordings)
};

// The same, with the new contents produced by write into the temporary file;
// write returns false when it could not write everything.
EngineStatus ReplaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write,
                         AtALink atALink = AtALink::kFollow);
