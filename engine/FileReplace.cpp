#include "engine/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <random>

namespace fs = std::filesystem;

namespace {

// Asks the system to put the file's bytes on the disk before the rename, so
// that a power loss cannot leave the new name pointing at empty data.
bool SyncToDisk(std::FILE* file) {
#ifndef _WIN32
    return ::fsync(::fileno(file)) == 0;
#else
    (void)file;
    return true;
#endif
}

// Creates the temporary file beside target. It is created exclusively: a
// file or link already standing at the name is never opened, written or
// followed (someone who plants a link there cannot redirect the write); the
// next name is tried instead.
std::FILE* CreateTemporary(const fs::path& target, fs::path* temporary) {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        *temporary = target;
        *temporary += attempt == 0 ? std::string(".tmp") : ".tmp" + std::to_string(random());
#ifndef _WIN32
        const int fd = ::open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            std::FILE* file = ::fdopen(fd, "wb");
            if (file == nullptr) ::close(fd);
            return file;
        }
#else
        if (std::FILE* file = std::fopen(temporary->string().c_str(), "wbx")) return file;
#endif
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

}  // namespace

EngineStatus ReplaceFileContents(const std::string& path, const void* data, std::size_t size) {
    return ReplaceFile(path, [&](std::FILE* file) {
        return size == 0 || std::fwrite(data, 1, size, file) == size;
    });
}

EngineStatus ReplaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write,
                         AtALink atALink) {
    std::error_code ec;
    fs::path target(path);
    if (atALink == AtALink::kRefuse) {
        const fs::file_status standing = fs::symlink_status(target, ec);
        if (!ec && fs::exists(standing) && !fs::is_regular_file(standing))
            return EngineStatus::Failure(EngineError::kNotRegularFile, path);
    } else if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    fs::path temporary;
    std::FILE* file = CreateTemporary(target, &temporary);
    if (!file) {
        return EngineStatus::Failure(EngineError::kCannotCreateFile, temporary.string(), errno);
    }
    bool ok = write(file);
    ok = std::fflush(file) == 0 && ok;
    ok = SyncToDisk(file) && ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        fs::remove(temporary, ec);
        return EngineStatus::Failure(EngineError::kCannotWriteFile, temporary.string());
    }

    fs::file_status old = fs::status(target, ec);
    if (!ec && fs::exists(old)) fs::permissions(temporary, old.permissions(), ec);

    fs::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return EngineStatus::Failure(EngineError::kCannotReplaceFile, target.string(), ec.value());
    }
    return EngineStatus::Success();
}
