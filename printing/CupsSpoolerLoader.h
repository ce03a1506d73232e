#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "printing/ChartSpooler.h"

// The chart printer through CUPS, the CUPS spooler being loaded from its
// module (CupsModule.h) the first time the printer is opened, and kept
// until the program ends. Everything is then forwarded to it.
//
// The module is looked for in the given folders in turn. When it cannot be
// loaded from any, opening the printer finds no printer, `loadFailed` is
// told why, and the next opening tries again.
//
// The printer is opened, and Finish called, on one thread (the UI thread);
// documents come from another once the printer has been found.
class CupsSpoolerLoader : public ChartSpooler {
public:
    // `failed`: a document was not printed (from any thread, as with
    // CupsSpooler). `loadFailed`: the module could not be loaded, with the
    // reasons (on the opening thread, before the answer).
    CupsSpoolerLoader(std::function<void()> failed,
                      std::function<void(const std::string& reason)> loadFailed,
                      std::vector<std::string> folders);
    ~CupsSpoolerLoader() override;
    CupsSpoolerLoader(const CupsSpoolerLoader&) = delete;
    CupsSpoolerLoader& operator=(const CupsSpoolerLoader&) = delete;

    // Where the program looks for the module: beside the executable, then
    // in the bin folder of the build that made it, so that a program copied
    // alone still prints.
    static std::vector<std::string> Folders(const std::string& executableFolder);

    void OpenPrinterAsync(std::function<void(bool found)> opened) override;
    bool OpenPrinter() override;
    void Submit(std::vector<std::uint8_t> document) override;
    void DocumentFailed() override;
    std::size_t Finish(std::chrono::milliseconds wait) override;

    // The module in use; "" until it is loaded.
    const std::string& ModulePath() const { return m_modulePath; }

private:
    // The spooler, loading the module the first time; null when it cannot.
    ChartSpooler* Spooler();
    static void Failed(void* self);

    std::function<void()> m_failed;
    std::function<void(const std::string&)> m_loadFailed;
    std::vector<std::string> m_folders;
    std::string m_modulePath;
    std::unique_ptr<ChartSpooler> m_spooler;
    // m_spooler once made, for the thread that submits.
    std::atomic<ChartSpooler*> m_ready{nullptr};
};
