#pragma once

#include <cstdio>

// An advisory lock that marks an open file as being written by one
// program: the data file of a recording holds it while it is recorded, so
// that a second program (or a second copy of this one) cannot write the
// same recording. The lock goes with the file: closing it, or the end of
// the process, however abrupt, releases it.
enum class LockResult {
    kLocked,
    kHeldElsewhere,  // another open of the file holds the lock
    kFailed,         // the file system cannot lock; the file is used unlocked
};

LockResult LockForWriting(std::FILE* file);
