// The library's only door to the operating system. Everything outside
// platform/ calls these functions; each system supplies one implementation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// --- time -----------------------------------------------------------------
void SleepMs(unsigned ms);
uint64_t MonotonicUs();

// Tests replace the sleeper to record pauses instead of waiting; null
// restores the real one.
using SleepHook = void (*)(unsigned ms);
void SetSleepHook(SleepHook hook);

// --- diagnostics -------------------------------------------------------------
// One formatted debug line (the text already ends in "\n" where it should).
void DebugOut(const char* text);
// A plain message box (never shown by the library in normal operation).
void MessageBox(const char* text, const char* caption, unsigned style);

// --- files and directories ---------------------------------------------------
std::string CurrentDirectory();
// Joins a directory and a file name with the system's separator.
std::string JoinPath(const std::string& dir, const char* name);
// The directory that stands for the Windows directory.
std::string WindowsDirectory();
// Maps a fixed Windows path such as "c:\\windows\\PTINI.INI" to this system.
std::string FixedWindowsPath(const char* windowsPath);

// Profile (INI) files with the Win32 semantics: names case-insensitive,
// missing file/section/key yields the default, writes keep everything else.
int ProfileGetInt(const std::string& file, const char* section, const char* key, int def);
bool ProfileWriteString(const std::string& file, const char* section, const char* key,
                        const char* value);
// Several keys of one section in one update, so a reader sees all or none.
bool ProfileWriteStrings(const std::string& file, const char* section, const char* const* keys,
                         const char* const* values, size_t count);

// Small binary records at offset 0 of a file, neither truncated nor locked.
// Only regular files are used; on POSIX a final symlink is followed only
// when it and its target belong to the process's own user.
bool FileEnsureExists(const std::string& path);           // open-always, close at once
bool FileReadAt0(const std::string& path, void* data, size_t n);   // false unless n bytes read
bool FileWriteAt0(const std::string& path, const void* data, size_t n); // never creates

// --- host windows ------------------------------------------------------------
// Delivers a WM_COPYDATA-like message to the window with this title; false
// when no such window exists (the data is then dropped).
bool SendToHostWindow(const char* title, unsigned long dwData, const void* data, unsigned count);

}  // namespace platform
