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

void SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

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

bool ReplaceFileContents(const std::string& path, const void* data, std::size_t size,
                         std::string* error) {
    return ReplaceFile(
        path,
        [&](std::FILE* file) { return size == 0 || std::fwrite(data, 1, size, file) == size; },
        error);
}

bool ReplaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write,
                 std::string* error) {
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
        SetError(error, "无法创建文件 " + temporary.string() + "：" + std::strerror(errno));
        return false;
    }
    bool ok = write(file);
    ok = std::fflush(file) == 0 && ok;
    ok = SyncToDisk(file) && ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        SetError(error, "无法写入文件 " + temporary.string());
        fs::remove(temporary, ec);
        return false;
    }

    fs::file_status old = fs::status(target, ec);
    if (!ec && fs::exists(old)) fs::permissions(temporary, old.permissions(), ec);

    fs::rename(temporary, target, ec);
    if (ec) {
        SetError(error, "无法替换文件 " + target.string() + "：" + ec.message());
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}
