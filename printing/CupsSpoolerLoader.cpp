#include "printing/CupsSpoolerLoader.h"

#include <dlfcn.h>

#include "printing/CupsModule.h"

CupsSpoolerLoader::CupsSpoolerLoader(std::function<void()> failed,
                                     std::function<void(const std::string&)> loadFailed,
                                     std::vector<std::string> folders)
    : m_failed(std::move(failed)),
      m_loadFailed(std::move(loadFailed)),
      m_folders(std::move(folders)) {}

// The spooler ends its thread here; the module stays loaded, as libcups
// may still hold on to what it set up.
CupsSpoolerLoader::~CupsSpoolerLoader() = default;

std::vector<std::string> CupsSpoolerLoader::Folders(const std::string& executableFolder) {
    std::vector<std::string> folders;
    if (!executableFolder.empty()) folders.push_back(executableFolder);
    if (executableFolder != MAREVOX_BUILD_BIN_DIR) folders.push_back(MAREVOX_BUILD_BIN_DIR);
    return folders;
}

ChartSpooler* CupsSpoolerLoader::Spooler() {
    if (m_spooler) return m_spooler.get();
    std::string reasons;
    for (const std::string& folder : m_folders) {
        const std::string path = folder + "/" + CupsModule::kFileName;
        // Kept open, also after the spooler has gone: see the destructor.
        void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        std::string reason;
        if (module == nullptr) {
            const char* error = dlerror();  // names the file
            reason = error != nullptr ? error : path + ": cannot be loaded";
        } else if (auto entry =
                       reinterpret_cast<CupsModule::Entry>(dlsym(module, CupsModule::kEntryName))) {
            m_spooler.reset(entry(&CupsSpoolerLoader::Failed, this));
            if (!m_spooler) reason = path + ": the spooler could not be made";
        } else {
            reason = path + ": not a module of this program";
            dlclose(module);
        }
        if (m_spooler) {
            m_modulePath = path;
            m_ready.store(m_spooler.get(), std::memory_order_release);
            return m_spooler.get();
        }
        if (!reasons.empty()) reasons += "; ";
        reasons += reason;
    }
    if (m_folders.empty()) reasons = "no folder to look in";
    if (m_loadFailed) m_loadFailed(reasons);
    return nullptr;
}

void CupsSpoolerLoader::OpenPrinterAsync(std::function<void(bool found)> opened) {
    if (ChartSpooler* spooler = Spooler()) {
        spooler->OpenPrinterAsync(std::move(opened));
    } else {
        opened(false);
    }
}

bool CupsSpoolerLoader::OpenPrinter() {
    ChartSpooler* spooler = Spooler();
    return spooler != nullptr && spooler->OpenPrinter();
}

void CupsSpoolerLoader::Submit(std::vector<std::uint8_t> document) {
    if (ChartSpooler* spooler = m_ready.load(std::memory_order_acquire)) {
        spooler->Submit(std::move(document));
    } else if (m_failed) {
        m_failed();
    }
}

void CupsSpoolerLoader::DocumentFailed() {
    if (ChartSpooler* spooler = m_ready.load(std::memory_order_acquire)) {
        spooler->DocumentFailed();
    } else if (m_failed) {
        m_failed();
    }
}

std::size_t CupsSpoolerLoader::Finish(std::chrono::milliseconds wait) {
    return m_spooler ? m_spooler->Finish(wait) : 0;
}

void CupsSpoolerLoader::Failed(void* self) {
    auto* loader = static_cast<CupsSpoolerLoader*>(self);
    if (loader->m_failed) loader->m_failed();
}
