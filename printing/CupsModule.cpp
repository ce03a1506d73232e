// The module's entry (CupsModule.h): nothing else in libmarevox_cups.so is
// seen from outside.
#include "printing/CupsModule.h"

#include <new>

#include "printing/CupsSpooler.h"

extern "C" __attribute__((visibility("default"))) ChartSpooler* MarevoxNewCupsSpooler1(
    void (*failed)(void* context), void* context) {
    try {
        return new CupsSpooler([failed, context] { failed(context); });
    } catch (...) {  // no memory or no thread: no spooler
        return nullptr;
    }
}

// The entry's type and name as the loader expects them.
[[maybe_unused]] static constexpr CupsModule::Entry kEntry = MarevoxNewCupsSpooler1;
