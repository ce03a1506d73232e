#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Where the chart's documents go: the system's print spooler, or a file.
// Every call comes from the program's own threads; none of them waits for
// the spooler (Submit and OpenPrinterAsync return at once).
class ChartSpooler {
public:
    virtual ~ChartSpooler() = default;

    // Opens the chart printer "EPSON LQ-300K+II ESC/P2" in place of the one
    // opened before and tells `opened` whether it was found (false: the one
    // before stays). The answer comes once, at once or later from another
    // thread. By default the answer of OpenPrinter, at once.
    virtual void OpenPrinterAsync(std::function<void(bool found)> opened) { opened(OpenPrinter()); }
    // The same, the caller waiting for the answer: for spoolers that know
    // at once (a file).
    virtual bool OpenPrinter() = 0;
    // One raw document (a header or a band), printed after the ones before.
    virtual void Submit(std::vector<std::uint8_t> document) = 0;
    // A document could not be made at all.
    virtual void DocumentFailed() {}

    // The longest leaving waits for the documents still queued.
    static constexpr std::chrono::milliseconds kFinishTime{5000};
    // Takes no more documents, goes on sending the queued ones for at most
    // `wait` and gives up on the rest. Returns how many documents were not
    // printed; later calls return 0. By default there is nothing to wait for.
    virtual std::size_t Finish(std::chrono::milliseconds /*wait*/) { return 0; }
};
