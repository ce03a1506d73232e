#include "engine/FileReplace.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

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

}  // namespace

EngineStatus ReplaceFileContents(const std::string& path, const void* data, std::size_t size) {
    return ReplaceFile(path, [&](std::FILE* file) {
        return size == 0 || std::fwrite(data, 1, size, file) == size;
    });
}

EngineStatus ReplaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write) {
    std::error_code ec;
    fs::path target(path);
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    fs::path temporary = target;
    temporary += ".tmp";

    std::FILE* file = std::fopen(temporary.string().c_str(), "wb");
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
