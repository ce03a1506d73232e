#pragma once

#include <cstdint>
#include <cstdio>

// Takes into an index the records a data file holds past it. The index
// file is rewritten only every 200 s while recording, so after a crash or
// a power cut it lists the records up to its last checkpoint (none in the
// first 200 s); every record written after that is still in the data file.
struct IndexRecovery {
    std::uint32_t found = 0;         // records added to the index
    std::uint64_t skippedBytes = 0;  // damaged bytes stepped over past the index
    std::uint64_t endOffset = 0;     // after the last record of the data file
};

// offsets holds count entries of kRecordOffsetMax. The scan starts at the
// last listed record that can be read (at offset 0 when none can); listed
// entries after it, which cannot be read, give way to the records found.
IndexRecovery RecoverIndex(std::FILE* data, std::uint32_t* offsets, std::uint32_t* count);
