#include "tools/common/CliArgs.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

CliArgs::CliArgs(int argc, char** argv, int first, std::vector<std::string> flagNames)
    : m_flagNames(std::move(flagNames)) {
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0 || arg.size() == 2) {
            m_positional.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::string value;
        bool hasValue = false;
        if (auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        if (std::find(m_flagNames.begin(), m_flagNames.end(), name) != m_flagNames.end()) {
            if (hasValue && m_error.empty()) m_error = "option --" + name + " takes no value";
            m_flags.push_back(name);
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                if (m_error.empty()) m_error = "option --" + name + " needs a value";
                continue;
            }
            value = argv[++i];
        }
        m_values.emplace_back(name, value);
    }
}

bool CliArgs::Has(const std::string& name) const {
    if (std::find(m_flags.begin(), m_flags.end(), name) != m_flags.end()) return true;
    return Value(name).has_value();
}

std::optional<std::string> CliArgs::Value(const std::string& name) const {
    for (auto it = m_values.rbegin(); it != m_values.rend(); ++it)
        if (it->first == name) return it->second;
    return std::nullopt;
}

std::string CliArgs::Unknown(const std::vector<std::string>& valueNames) const {
    for (const auto& [name, value] : m_values)
        if (std::find(valueNames.begin(), valueNames.end(), name) == valueNames.end()) return name;
    return "";
}

bool CliArgs::Int(const std::string& name, long long min, long long max, long long* out,
                  std::string* error) const {
    auto text = Value(name);
    if (!text) {
        *error = "missing option --" + name;
        return false;
    }
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text->c_str(), &end, 0);
    if (text->empty() || *end != '\0' || errno != 0 || v < min || v > max) {
        *error = "option --" + name + " must be a whole number from " + std::to_string(min) +
                 " to " + std::to_string(max) + ", not \"" + *text + "\"";
        return false;
    }
    *out = v;
    return true;
}

bool CliArgs::Double(const std::string& name, double* out, std::string* error) const {
    auto text = Value(name);
    if (!text) {
        *error = "missing option --" + name;
        return false;
    }
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(text->c_str(), &end);
    if (text->empty() || *end != '\0' || errno != 0) {
        *error = "option --" + name + " must be a number, not \"" + *text + "\"";
        return false;
    }
    *out = v;
    return true;
}
