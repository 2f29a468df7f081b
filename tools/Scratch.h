// A private scratch area for runs that drive many protocol objects: the
// library's Windows-directory files go to a temporary directory (unless the
// user chose TREVALO_WINDIR) and the current directory is a temporary one
// without config/, so the speed file is never written. Undone on scope exit.
#pragma once

#include <string>

class Scratch {
public:
    // privateWindir: a private Windows directory even when the user set
    // TREVALO_WINDIR (the user's value comes back on scope exit).
    explicit Scratch(bool privateWindir = false);
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    bool ok() const { return !m_root.empty(); }

private:
    std::string m_root;
    int m_oldCwd = -1;
    bool m_setWindir = false;
    bool m_hadUserWindir = false;
    std::string m_userWindir;
};
