// The CUPS spooler loaded when the printer is first opened: libcups is not
// in the process before, the chart still prints through a real CUPS daemon
// after, the module beside the program comes first, and a module that cannot
// be loaded means no printer, with the reason. This test does not link
// libcups: what it finds mapped, the loader brought.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "printing/CupsModule.h"
#include "printing/CupsSpoolerLoader.h"
#include "tests/printing/PrivateCups.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempDir.h"

namespace {

bool LibcupsMapped() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("/libcups.so") != std::string::npos) return true;
    return false;
}

std::vector<std::uint8_t> Document(const std::string& text) {
    return {text.begin(), text.end()};
}

class CupsSpoolerLoaderTest : public ::testing::Test {
protected:
    CupsSpoolerLoader Loader(std::vector<std::string> folders) {
        return CupsSpoolerLoader([this] { ++failures; },
                                 [this](const std::string& reason) { reasons.push_back(reason); },
                                 std::move(folders));
    }
    std::string Beside(const char* name) const { return besideProgram.File(name); }

    TempDir besideProgram;
    // No daemon there: the system's printers are never asked.
    ScopedEnvironment server{"CUPS_SERVER", besideProgram.File("no-cups.sock")};
    std::atomic<int> failures{0};
    std::vector<std::string> reasons;
};

// First, while nothing in this process has loaded libcups yet.
TEST_F(CupsSpoolerLoaderTest, LibcupsComesWithTheFirstOpeningAndTheChartPrints) {
    PrivateCups cups;
    ASSERT_TRUE(cups.Started());
    ASSERT_TRUE(cups.AddQueue("EPSON_LQ-300K+II_ESC_P2", "EPSON LQ-300K+II ESC/P2"));
    // Nothing beside the program: the build's own module.
    CupsSpoolerLoader loader = Loader(CupsSpoolerLoader::Folders(besideProgram.Path().string()));
    EXPECT_FALSE(LibcupsMapped());

    ASSERT_TRUE(loader.OpenPrinter());
    EXPECT_TRUE(LibcupsMapped());
    EXPECT_EQ(loader.ModulePath(), MAREVOX_CUPS_MODULE);
    loader.Submit(Document("header"));
    loader.Submit(Document("band"));
    EXPECT_EQ(loader.Finish(ChartSpooler::kFinishTime), 0u);
    EXPECT_EQ(cups.CompleteJobs(2, 30), (std::vector<std::string>{"header", "band"}));
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(reasons.empty());
}

TEST_F(CupsSpoolerLoaderTest, TheModuleBesideTheProgramComesFirst) {
    std::filesystem::copy_file(MAREVOX_CUPS_MODULE, Beside(CupsModule::kFileName));
    CupsSpoolerLoader loader = Loader(CupsSpoolerLoader::Folders(besideProgram.Path().string()));
    loader.OpenPrinterAsync([](bool) {});
    EXPECT_EQ(loader.ModulePath(), Beside(CupsModule::kFileName));
    EXPECT_TRUE(reasons.empty());
}

// Missing, not a library, a library that is not the module: no printer, each
// reason told, documents counted as not printed; the next opening tries
// again and finds the module put there meanwhile.
TEST_F(CupsSpoolerLoaderTest, NoModuleMeansNoPrinterUntilOneIsThere) {
    TempDir broken;
    TempDir foreign;
    WriteAll(broken.File(CupsModule::kFileName), "not a library");
    std::filesystem::copy_file(MAREVOX_OTHER_LIBRARY, foreign.File(CupsModule::kFileName));
    CupsSpoolerLoader loader =
        Loader({besideProgram.Path().string(), broken.Path().string(), foreign.Path().string()});

    bool answered = false;
    bool found = true;
    loader.OpenPrinterAsync([&](bool printer) {
        answered = true;
        found = printer;
    });
    EXPECT_TRUE(answered);
    EXPECT_FALSE(found);
    ASSERT_EQ(reasons.size(), 1u);
    EXPECT_NE(reasons[0].find(Beside(CupsModule::kFileName)), std::string::npos) << reasons[0];
    EXPECT_NE(reasons[0].find(broken.File(CupsModule::kFileName)), std::string::npos);
    EXPECT_NE(reasons[0].find(foreign.File(CupsModule::kFileName) + ": not a module"),
              std::string::npos);
    EXPECT_EQ(loader.ModulePath(), "");
    loader.Submit(Document("band"));
    loader.DocumentFailed();
    EXPECT_EQ(failures, 2);
    EXPECT_EQ(loader.Finish(ChartSpooler::kFinishTime), 0u);

    EXPECT_FALSE(loader.OpenPrinter());
    EXPECT_EQ(reasons.size(), 2u);
    std::filesystem::copy_file(MAREVOX_CUPS_MODULE, Beside(CupsModule::kFileName));
    loader.OpenPrinterAsync([](bool) {});
    EXPECT_EQ(loader.ModulePath(), Beside(CupsModule::kFileName));
    EXPECT_EQ(reasons.size(), 2u);
}

}  // namespace
