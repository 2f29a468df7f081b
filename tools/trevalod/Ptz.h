// The cameras behind the daemon: one library channel each, the ONVIF
// velocity mapped onto direction codes and speed steps, move time-outs,
// presets by number with names kept in the state file.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Config.h"
#include "Presets.h"

struct PtPortHandle;

namespace trevalod {

struct Velocity {
    bool hasPanTilt = false;
    double x = 0, y = 0;
    bool hasZoom = false;
    double zoom = 0;
};

enum class PresetResult { Ok, Unsupported, NoToken, NameExists, TooMany, StoreFailed };

class CameraBank {
public:
    using Log = std::function<void(const std::string&)>;
    CameraBank(const Config& config, Log errorLog);
    ~CameraBank();

    // Serial mode: writes the port map, opens every camera on its line.
    // On failure everything opened is closed again and the cause returned.
    bool OpenLines(std::string& error);
    // Capture mode (tests, fuzzing): every frame is kept in memory instead.
    bool OpenCaptured(std::string& error);
    // Stops every moving camera and closes every channel; idempotent.
    void Close();

    size_t Count() const { return cams_.size(); }
    const CameraConfig& Info(size_t i) const { return config_.cameras[i]; }
    bool HasPresets(size_t i) const;
    bool HasZoom(size_t i) const;
    int SpeedLevels(size_t i, int axis) const;

    void Move(size_t i, const Velocity& v, double timeoutSeconds);
    void Stop(size_t i, bool panTilt, bool zoom);
    void Moving(size_t i, bool& panTilt, bool& zoom);

    PresetMap Presets(size_t i);
    PresetResult SetPreset(size_t i, const std::string& name, int number, int& assigned);
    PresetResult GotoPreset(size_t i, int number);
    PresetResult RemovePreset(size_t i, int number);

    // Capture mode: frames produced so far by camera i, oldest first (at most 256 kept).
    std::vector<std::string> Frames(size_t i);
    double TimeoutCap() const { return config_.defaultTimeoutSeconds; }

private:
    struct Camera;
    bool OpenAll(bool capture, std::string& error);
    void Command(Camera& c, int code);
    void StepSpeed(Camera& c, int axis, double magnitude);
    void StopLocked(Camera& c, bool panTilt, bool zoom);
    void Watch();
    bool SaveAll();

    Config config_;
    Log log_;
    PresetStore store_;
    std::mutex saveMutex_;
    std::vector<std::unique_ptr<Camera>> cams_;
    std::string portDir_;
    bool capture_ = false;
    bool open_ = false;

    std::mutex watchMutex_;
    std::condition_variable watchCv_;
    bool watchStop_ = false;
    std::thread watcher_;
};

// xs:duration as ONVIF writes it ("PT5S", "PT0.5S", "PT1M30S", "P0DT0H0M2S"); -1 if not one.
double ParseDuration(const std::string& text);

}  // namespace trevalod
