#include "engine/FileLock.h"

#include <cerrno>

#ifndef _WIN32
#include <sys/file.h>
#endif

LockResult LockForWriting(std::FILE* file) {
#ifndef _WIN32
    // flock, not fcntl: its lock belongs to this open file, so closing
    // another file of the same name in this process does not drop it.
    if (::flock(::fileno(file), LOCK_EX | LOCK_NB) == 0) return LockResult::kLocked;
    return errno == EWOULDBLOCK ? LockResult::kHeldElsewhere : LockResult::kFailed;
#else
    (void)file;
    return LockResult::kLocked;
#endif
}
