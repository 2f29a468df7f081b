// Preset names per camera, kept in a state file that survives restarts.
#pragma once

#include <map>
#include <mutex>
#include <string>

namespace trevalod {

using PresetMap = std::map<int, std::string>;  // protocol preset number -> name

class PresetStore {
public:
    explicit PresetStore(std::string path) : path_(std::move(path)) {}

    // Reads the file if there is one; a camera the file does not name keeps
    // the names its config gave. False with the cause if the file is unreadable.
    bool Load(std::map<std::string, PresetMap>& byToken, std::string& error);
    // Replaces the file atomically (temporary file, fsync, rename, fsync of
    // the directory): a crash leaves the old names or the new, never half.
    bool Save(const std::map<std::string, PresetMap>& byToken, std::string& error);

    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::mutex mutex_;
};

}  // namespace trevalod
