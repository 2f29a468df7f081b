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

}  // namespace

Scratch::Scratch(bool privateWindir) {
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
    const char* user = std::getenv("TREVALO_WINDIR");
    m_hadUserWindir = user != nullptr;
    if (user) m_userWindir = user;
    if ((privateWindir || !(user && *user)) && mkdir(windir.c_str(), 0700) == 0) {
        setenv("TREVALO_WINDIR", windir.c_str(), 1);
        m_setWindir = true;
    }
}

Scratch::~Scratch() {
    if (m_setWindir) {
        if (m_hadUserWindir) setenv("TREVALO_WINDIR", m_userWindir.c_str(), 1);
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
