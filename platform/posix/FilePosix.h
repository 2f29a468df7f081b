// Opening the library's own files on POSIX without the hazards of a shared
// directory: a FIFO or device never blocks or gets written (only regular
// files are opened, non-blocking, then checked), and a final symlink is
// followed only when the link and its target belong to a trusted owner.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace platform {
namespace posixfile {

enum class Open { Ok, Missing, Refused };

// Whose links and files are followed: state files trust only the process's
// own user; the port map, which an administrator writes, trusts root too.
enum class Trust { OwnUser, OwnUserOrRoot };

// Text files larger than this are refused rather than read: the speed file
// and the port map are a few kilobytes; a huge one is damage, not data.
constexpr size_t kTextLimit = 4u << 20;

// Opens an existing regular file (flags without O_CREAT). On Ok, *fd is
// open in blocking mode and *st describes it.
Open OpenRegular(const std::string& path, int flags, Trust trust, int* fd, struct stat* st = nullptr);

// Creates the file if nothing is there (exclusively, never through a
// link), otherwise opens it as OpenRegular does.
Open OpenOrCreateRegular(const std::string& path, int flags, mode_t mode, Trust trust, int* fd,
                         struct stat* st = nullptr);

// The rest of an open file, at most limit bytes; false when larger or on a read error.
bool ReadAll(int fd, std::string& out, size_t limit = kTextLimit);

// The whole file, at most limit bytes; Refused when larger or unreadable.
Open ReadText(const std::string& path, Trust trust, std::string& out, size_t limit = kTextLimit);

// The directory for the library's machine-wide state: systemDir when it is
// a directory this process can write, otherwise $XDG_STATE_HOME/trevalo
// (an absolute XDG_STATE_HOME only), else <home>/.local/state/trevalo,
// created with mode 0700 when missing. systemDir when neither works.
std::string ChooseStateDirectory(const std::string& systemDir, const char* xdgStateHome,
                                 const char* home);

}  // namespace posixfile
}  // namespace platform
