// A private scratch area for runs that drive many protocol objects: the
// library's Windows-directory files go to a temporary directory, starting
// as copies of the host's (so decoding sees the state a running recorder
// left), and the current directory is a temporary one without config/, so
// the speed file is never written. Nothing outside it is written; undone on
// scope exit.
#pragma once

#include <string>

class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    bool ok() const { return !m_root.empty(); }

private:
    std::string m_root;
    int m_oldCwd = -1;
    bool m_setWindir = false;
    bool m_hadWindir = false;
    std::string m_oldWindir;
};
