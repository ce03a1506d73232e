#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

// What a run of marevox-cli printed and how it ended.
struct CliResult {
    int exitCode = -1;
    std::vector<std::string> lines;  // standard output
    std::string errors;              // standard error
};

inline bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Runs the built marevox-cli, in UTC, with a folder of the test's own.
class CliTest : public ::testing::Test {
protected:
    // Standard input comes from the file input.
    CliResult Run(const std::string& arguments, const std::string& input = "/dev/null") {
        const std::string errors = m_dir.File("stderr.txt");
        const std::string command = "TZ=UTC " + std::string(MAREVOX_CLI_PATH) + " " + arguments +
                                    " <'" + input + "' 2>'" + errors + "'";
        CliResult result;
        std::FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr) return result;
        std::string line;
        for (int c; (c = std::fgetc(pipe)) != EOF;) {
            if (c != '\n') {
                line += static_cast<char>(c);
                continue;
            }
            result.lines.push_back(line);
            line.clear();
        }
        const int status = ::pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.errors = ReadAll(errors);
        return result;
    }

    // A file in the test's folder; returns its path.
    std::string Write(const std::string& name, const std::string& bytes) {
        WriteAll(m_dir.File(name), bytes);
        return m_dir.File(name);
    }

    TempDir m_dir;
};
