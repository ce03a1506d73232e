#pragma once

#include <cstdint>
#include <vector>

// Where the chart's documents go: the system's print spooler, or a file.
// Every call comes from the program's own threads; Submit must not block.
class ChartSpooler {
public:
    virtual ~ChartSpooler() = default;

    // Opens the chart printer "EPSON LQ-300K+II ESC/P2" in place of the one
    // opened before; false (the one before stays) when it cannot be found.
    // UI thread.
    virtual bool OpenPrinter() = 0;
    // One raw document (a header or a band), printed after the ones before.
    virtual void Submit(std::vector<std::uint8_t> document) = 0;
    // A document could not be made at all.
    virtual void DocumentFailed() {}
};
