#include "Scratch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

void RemoveTree(const std::string& path) {
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            const std::string child = path + "/" + name;
            struct stat st;
            if (lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) RemoveTree(child);
            else unlink(child.c_str());
        }
        closedir(d);
    }
    rmdir(path.c_str());
}

// The files protocols keep their state in (Dyna's last movement, Serim's
// last command).
const char* const kHostFiles[] = {"DynaPT.log", "PTINI.INI"};

// Reads only the source; a missing one is simply not copied.
void Copy(const std::string& from, const std::string& to) {
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return;
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    char buf[4096];
    ssize_t n;
    while (out >= 0 && (n = read(in, buf, sizeof buf)) > 0)
        if (write(out, buf, static_cast<size_t>(n)) != n) break;
    if (out >= 0) close(out);
    close(in);
}

}  // namespace

Scratch::Scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/trevalo-XXXXXX";
    if (!mkdtemp(&pattern[0])) return;
    m_root = pattern;
    const std::string cwd = m_root + "/cwd", windir = m_root + "/windows";
    m_oldCwd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (mkdir(cwd.c_str(), 0700) != 0 || chdir(cwd.c_str()) != 0) {
        RemoveTree(m_root);
        m_root.clear();
        return;
    }
    if (mkdir(windir.c_str(), 0700) != 0) {
        RemoveTree(m_root);
        m_root.clear();
        return;
    }
    // The library's own default when the variable is unset.
    const char* user = std::getenv("TREVALO_WINDIR");
    m_hadWindir = user != nullptr;
    if (user) m_oldWindir = user;
    const std::string from = user && *user ? user : "/var/lib/trevalo";
    for (const char* name : kHostFiles) Copy(from + "/" + name, windir + "/" + name);
    setenv("TREVALO_WINDIR", windir.c_str(), 1);
    m_setWindir = true;
}

Scratch::~Scratch() {
    if (m_setWindir) {
        if (m_hadWindir) setenv("TREVALO_WINDIR", m_oldWindir.c_str(), 1);
        else unsetenv("TREVALO_WINDIR");
    }
    if (m_oldCwd >= 0) {
        if (fchdir(m_oldCwd) != 0) {
            // Nothing sensible to do: the tool is about to exit anyway.
        }
        close(m_oldCwd);
    }
    if (!m_root.empty()) RemoveTree(m_root);
}
