#include "Presets.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <yaml-cpp/yaml.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace trevalod {

bool PresetStore::Load(std::map<std::string, PresetMap>& byToken, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    struct stat st;
    if (stat(path_.c_str(), &st) != 0) {
        if (errno == ENOENT) return true;
        error = path_ + ": " + std::strerror(errno);
        return false;
    }
    try {
        const YAML::Node root = YAML::LoadFile(path_);
        const YAML::Node cams = root["cameras"];
        if (!cams) return true;
        if (!cams.IsMap()) throw YAML::Exception(cams.Mark(), "cameras must be a mapping");
        for (const auto& cam : cams) {
            PresetMap presets;
            for (const auto& p : cam.second["presets"]) presets[p.first.as<int>()] = p.second.as<std::string>();
            byToken[cam.first.as<std::string>()] = presets;
        }
    } catch (const YAML::Exception& e) {
        error = path_ + ":" + std::to_string(e.mark.is_null() ? 0 : e.mark.line + 1) + ": " + e.msg;
        return false;
    }
    return true;
}

bool PresetStore::Save(const std::map<std::string, PresetMap>& byToken, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    YAML::Emitter out;
    out << YAML::Comment("written by trevalod: preset names per camera token") << YAML::BeginMap << YAML::Key
        << "cameras" << YAML::Value << YAML::BeginMap;
    for (const auto& cam : byToken) {
        out << YAML::Key << cam.first << YAML::Value << YAML::BeginMap << YAML::Key << "presets" << YAML::Value
            << YAML::BeginMap;
        for (const auto& p : cam.second) out << YAML::Key << p.first << YAML::Value << YAML::DoubleQuoted << p.second;
        out << YAML::EndMap << YAML::EndMap;
    }
    out << YAML::EndMap << YAML::EndMap;
    const std::string text = std::string(out.c_str()) + "\n";

    const std::string tmp = path_ + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = tmp + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const bool ok = done == text.size() && ::fsync(fd) == 0;
    const int err = errno;
    ::close(fd);
    if (!ok || ::rename(tmp.c_str(), path_.c_str()) != 0) {
        error = path_ + ": " + std::strerror(ok ? errno : err);
        ::unlink(tmp.c_str());
        return false;
    }
    const size_t slash = path_.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path_.substr(0, slash));
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace trevalod
