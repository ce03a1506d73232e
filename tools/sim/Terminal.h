#pragma once

#include <string>

// A pseudo-terminal the simulator plays a device on: raw, its master side
// non-blocking. The simulator keeps the slave side open too, so the terminal
// lives while programs open and close it. With a link path, a symbolic link
// there names the terminal until the simulator ends.
class Terminal {
public:
    Terminal() = default;
    ~Terminal();
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool Open(const std::string& link, std::string* error);
    // Closes both sides (the link stays until the end).
    void Close();
    // Closes both sides and removes the link, as a device unplugged; Open
    // makes a new terminal and link.
    void Unplug();

    int Master() const { return m_master; }
    int Slave() const { return m_slave; }
    const std::string& Path() const { return m_path; }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
    std::string m_link;
};
