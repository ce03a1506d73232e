#pragma once

#include <optional>
#include <string>
#include <vector>

// Command-line options of one subcommand: "--name value" pairs, bare
// "--flag" switches and positional arguments, in any order.
class CliArgs {
public:
    // flagNames lists the options that take no value.
    CliArgs(int argc, char** argv, int first, std::vector<std::string> flagNames);

    bool Has(const std::string& name) const;
    std::optional<std::string> Value(const std::string& name) const;
    const std::vector<std::string>& Positional() const { return m_positional; }
    // The first problem met while parsing ("" when none).
    const std::string& Error() const { return m_error; }
    // The first option given that is neither a flag nor one of valueNames
    // ("" when none).
    std::string Unknown(const std::vector<std::string>& valueNames) const;

    // Parses option name as a whole number in [min, max]; on failure sets
    // error to a message naming the option and returns false.
    bool Int(const std::string& name, long long min, long long max, long long* out,
             std::string* error) const;
    bool Double(const std::string& name, double* out, std::string* error) const;

private:
    std::vector<std::pair<std::string, std::string>> m_values;
    std::vector<std::string> m_flags;
    std::vector<std::string> m_positional;
    std::vector<std::string> m_flagNames;
    std::string m_error;
};
