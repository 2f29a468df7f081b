#include "Ptz.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>

#include <trevalo.h>
#include <trevalo_host.h>

namespace trevalod {
namespace {

using Clock = std::chrono::steady_clock;

// Below this a velocity component counts as zero: clients send 0.0001 for "still".
constexpr double kDeadBand = 0.01;
// The channel used to measure a protocol's speed steps in capture mode.
constexpr int kProbeChannel = 254;
// Speed bytes are at most 8 bits wide; a range that has not ended after
// this many steps is not a range.
constexpr int kMaxSteps = 300;
constexpr size_t kMaxFrames = 256;

struct Levels {
    int axis[3] = {1, 1, 1};  // pan, tilt, zoom
};

std::string Packet(const unsigned char* buf, int len) {
    return len > 0 ? std::string(reinterpret_cast<const char*>(buf), static_cast<size_t>(len)) : std::string();
}

// How many speed steps each axis has, as the protocol's movement frame
// shows them: step down until the frame stops changing, then count the
// distinct frames on the way up. A protocol whose frames carry no speed
// has one level and is never stepped.
Levels MeasureLevels(int protocol) {
    static std::mutex mutex;
    static std::map<int, Levels> cache;
    std::lock_guard<std::mutex> lock(mutex);
    if (cache.count(protocol)) return cache[protocol];
    Levels out;
    unsigned char buf[TREVALO_CAPTURE_MAX];
    int len = 0;
    if (GetPtSpeedCtrlUsed(protocol)) {
        static const int moves[3] = {PT_RIGHT, PT_UP, PT_ZOOM_TELE};
        for (int axis = 0; axis < 3; ++axis) {
            PtPortHandle* h = SetPtOpen_NET(protocol, kProbeChannel, 1, buf, &len);
            if (!h) break;
            // The serial form of the step captures too and never touches the speed file.
            auto frame = [&](int increase) {
                SetPtSpeedCtrl(h, kProbeChannel, axis, increase);
                len = 0;
                SetPtCmd_NET(h, kProbeChannel, moves[axis], buf, &len);
                return Packet(buf, len);
            };
            std::string prev = frame(0);
            bool bottom = false;
            for (int k = 0; k < kMaxSteps && !bottom; ++k) {
                const std::string f = frame(0);
                bottom = f == prev;
                prev = f;
            }
            int levels = 1;
            bool top = false;
            for (int k = 0; bottom && k < kMaxSteps && !top; ++k) {
                const std::string f = frame(1);
                top = f == prev;
                if (!top) ++levels;
                prev = f;
            }
            out.axis[axis] = bottom && top ? levels : 1;
            SetPtClose_NET(h, kProbeChannel, buf, &len);
        }
    }
    cache[protocol] = out;
    return out;
}

}  // namespace

struct CameraBank::Camera {
    size_t index = 0;
    int channel = 0;
    PtPortHandle* handle = nullptr;
    Levels levels;
    int speed[3] = {0, 0, 0};  // current step above the bottom
    bool presets = false;
    std::mutex mutex;
    bool movingPt = false, movingZoom = false;
    Clock::time_point deadline;
    PresetMap names;
    // Capture mode only.
    unsigned char buf[TREVALO_CAPTURE_MAX] = {0};
    int len = 0;
    std::deque<std::string> frames;
};

double ParseDuration(const std::string& text) {
    if (text.size() < 3 || text[0] != 'P' || text.size() > 64) return -1;
    double total = 0;
    bool inTime = false, any = false;
    size_t i = 1;
    while (i < text.size()) {
        if (text[i] == 'T') {
            if (inTime) return -1;
            inTime = true;
            ++i;
            continue;
        }
        const char* start = text.c_str() + i;
        char* end = nullptr;
        const double v = std::strtod(start, &end);
        if (end == start || !*end || v < 0 || !std::isfinite(v) || *start == '+' || *start == '-') return -1;
        i += static_cast<size_t>(end - start);
        const char unit = text[i++];
        if (!inTime && unit == 'D') total += v * 86400;
        else if (inTime && unit == 'H') total += v * 3600;
        else if (inTime && unit == 'M') total += v * 60;
        else if (inTime && unit == 'S') total += v;
        else return -1;
        any = true;
    }
    return any ? total : -1;
}

CameraBank::CameraBank(const Config& config, Log errorLog)
    : config_(config), log_(std::move(errorLog)), store_(config.stateFile) {}

CameraBank::~CameraBank() { Close(); }

bool CameraBank::HasPresets(size_t i) const { return cams_[i]->presets; }
bool CameraBank::HasZoom(size_t) const { return true; }
int CameraBank::SpeedLevels(size_t i, int axis) const { return cams_[i]->levels.axis[axis]; }

bool CameraBank::OpenLines(std::string& error) { return OpenAll(false, error); }
bool CameraBank::OpenCaptured(std::string& error) { return OpenAll(true, error); }

bool CameraBank::OpenAll(bool capture, std::string& error) {
    if (open_) return true;
    capture_ = capture;
    SetPTInit();
    std::map<std::string, PresetMap> stored;
    if (!store_.Load(stored, error)) return false;

    if (!capture) {
        // A port map of our own: COM<n> is line n, "shared" where several
        // cameras hang off one pair.
        char dir[] = "/tmp/trevalod.XXXXXX";
        const char* runtime = std::getenv("RUNTIME_DIRECTORY");
        std::string base = runtime && *runtime ? std::string(runtime) + "/portmap.XXXXXX" : std::string(dir);
        std::vector<char> tmpl(base.begin(), base.end());
        tmpl.push_back('\0');
        if (!mkdtemp(tmpl.data())) {
            error = "cannot create a directory for the port map: " + std::string(std::strerror(errno));
            return false;
        }
        portDir_ = tmpl.data();
        std::ofstream map(portDir_ + "/ports");
        for (size_t n = 0; n < config_.lines.size(); ++n) {
            int users = 0;
            for (const auto& c : config_.cameras) users += c.line == config_.lines[n].name;
            map << "COM" << n + 1 << "=" << config_.lines[n].device << (users > 1 ? " shared" : "") << "\n";
            unsetenv(("TREVALO_COM" + std::to_string(n + 1)).c_str());
        }
        map.close();
        if (!map) {
            error = "cannot write the port map in " + portDir_;
            return false;
        }
        setenv("TREVALO_PORTMAP", (portDir_ + "/ports").c_str(), 1);
    }

    for (size_t i = 0; i < config_.cameras.size(); ++i) {
        const CameraConfig& cc = config_.cameras[i];
        auto cam = std::make_unique<Camera>();
        cam->index = i;
        cam->channel = static_cast<int>(i);
        cam->levels = MeasureLevels(cc.protocol);
        cam->presets = GetPtPresetUsed(cc.protocol) != 0;
        cam->names = stored.count(cc.token) ? stored[cc.token] : cc.presets;
        if (capture) {
            cam->handle = SetPtOpen_NET(cc.protocol, cam->channel, cc.address, cam->buf, &cam->len);
        } else {
            size_t line = 0;
            while (config_.lines[line].name != cc.line) ++line;
            const LineConfig& lc = config_.lines[line];
            cam->handle = SetPtOpen(cc.protocol, cam->channel, cc.address, static_cast<int>(line + 1), lc.baud,
                                    lc.parity, lc.dataBits, lc.stopBits);
            if (!cam->handle) {
                char why[512] = "";
                TrevaloLastOpenError(cam->channel, why, sizeof why);
                error = "camera \"" + cc.name + "\": cannot open line \"" + lc.name + "\" (" + lc.device + ")" +
                        (*why ? std::string(": ") + why : std::string());
            }
        }
        if (!cam->handle) {
            if (error.empty()) error = "camera \"" + cc.name + "\": the library refused the channel";
            cams_.push_back(std::move(cam));
            open_ = true;
            Close();
            return false;
        }
        // Start from the slowest step so the daemon knows where each axis is.
        for (int axis = 0; axis < 3; ++axis)
            for (int k = 1; k < cam->levels.axis[axis]; ++k) SetPtSpeedCtrl(cam->handle, cam->channel, axis, 0);
        cams_.push_back(std::move(cam));
    }
    open_ = true;
    watchStop_ = false;
    watcher_ = std::thread(&CameraBank::Watch, this);
    return true;
}

void CameraBank::Close() {
    if (!open_) return;
    {
        std::lock_guard<std::mutex> lock(watchMutex_);
        watchStop_ = true;
    }
    watchCv_.notify_all();
    if (watcher_.joinable()) watcher_.join();
    for (auto& cam : cams_) {
        std::lock_guard<std::mutex> lock(cam->mutex);
        if (!cam->handle) continue;
        StopLocked(*cam, true, true);
        if (capture_) {
            SetPtClose_NET(cam->handle, cam->channel, cam->buf, &cam->len);
        } else {
            SetPtClose(cam->handle, cam->channel);
        }
        cam->handle = nullptr;
    }
    if (!portDir_.empty()) {
        ::unlink((portDir_ + "/ports").c_str());
        ::rmdir(portDir_.c_str());
        portDir_.clear();
    }
    open_ = false;
}

void CameraBank::Command(Camera& c, int code) {
    if (capture_) {
        c.len = 0;
        SetPtCmd_NET(c.handle, c.channel, code, c.buf, &c.len);
        if (c.len > 0) {
            c.frames.push_back(Packet(c.buf, c.len));
            if (c.frames.size() > kMaxFrames) c.frames.pop_front();
        }
    } else {
        SetPtCmd(c.handle, c.channel, code);
    }
}

void CameraBank::StepSpeed(Camera& c, int axis, double magnitude) {
    const int levels = c.levels.axis[axis];
    if (levels <= 1) return;
    const int target = static_cast<int>(std::lround(std::min(1.0, magnitude) * (levels - 1)));
    while (c.speed[axis] != target) {
        const bool up = c.speed[axis] < target;
        c.len = 0;
        SetPtSpeedCtrl(c.handle, c.channel, axis, up ? 1 : 0);
        if (capture_ && c.len > 0) c.frames.push_back(Packet(c.buf, c.len));
        c.speed[axis] += up ? 1 : -1;
    }
}

void CameraBank::Move(size_t i, const Velocity& v, double timeoutSeconds) {
    Camera& c = *cams_[i];
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        if (!c.handle) return;
        const double x = v.hasPanTilt && std::fabs(v.x) >= kDeadBand ? v.x : 0;
        const double y = v.hasPanTilt && std::fabs(v.y) >= kDeadBand ? v.y : 0;
        const double z = v.hasZoom && std::fabs(v.zoom) >= kDeadBand ? v.zoom : 0;
        if (x != 0 || y != 0) {
            // One frame carries one command in most protocols: pan/tilt wins over zoom.
            static const int codes[3][3] = {{PT_DOWN_LEFT, PT_LEFT, PT_UP_LEFT},
                                            {PT_DOWN, -1, PT_UP},
                                            {PT_DOWN_RIGHT, PT_RIGHT, PT_UP_RIGHT}};
            if (x != 0) StepSpeed(c, 0, std::fabs(x));
            if (y != 0) StepSpeed(c, 1, std::fabs(y));
            Command(c, codes[(x > 0) - (x < 0) + 1][(y > 0) - (y < 0) + 1]);
            c.movingPt = true;
            c.movingZoom = false;
        } else if (z != 0) {
            StepSpeed(c, 2, std::fabs(z));
            Command(c, z > 0 ? PT_ZOOM_TELE : PT_ZOOM_WIDE);
            c.movingZoom = true;
            c.movingPt = false;
        } else {
            // A zero velocity is a stop of the axes it names.
            StopLocked(c, v.hasPanTilt, v.hasZoom);
            return;
        }
        const double t = timeoutSeconds > 0 ? std::min(timeoutSeconds, config_.defaultTimeoutSeconds)
                                            : config_.defaultTimeoutSeconds;
        c.deadline = Clock::now() + std::chrono::milliseconds(static_cast<long>(t * 1000));
    }
    watchCv_.notify_all();
}

void CameraBank::StopLocked(Camera& c, bool panTilt, bool zoom) {
    if (!c.handle) return;
    if (panTilt) Command(c, PT_STOP);
    if (zoom) Command(c, PT_LENS_STOP);
    if (panTilt) c.movingPt = false;
    if (zoom) c.movingZoom = false;
}

void CameraBank::Stop(size_t i, bool panTilt, bool zoom) {
    Camera& c = *cams_[i];
    std::lock_guard<std::mutex> lock(c.mutex);
    StopLocked(c, panTilt, zoom);
}

void CameraBank::Moving(size_t i, bool& panTilt, bool& zoom) {
    Camera& c = *cams_[i];
    std::lock_guard<std::mutex> lock(c.mutex);
    panTilt = c.movingPt;
    zoom = c.movingZoom;
}

void CameraBank::Watch() {
    std::unique_lock<std::mutex> lock(watchMutex_);
    while (!watchStop_) {
        Clock::time_point next = Clock::now() + std::chrono::seconds(1);
        lock.unlock();
        for (auto& cam : cams_) {
            std::lock_guard<std::mutex> cl(cam->mutex);
            if (!cam->movingPt && !cam->movingZoom) continue;
            if (cam->deadline <= Clock::now()) {
                const bool pt = cam->movingPt, zoom = cam->movingZoom;
                StopLocked(*cam, pt, zoom);
                if (log_) log_("camera \"" + config_.cameras[cam->index].name + "\": move timed out, stopped");
            } else if (cam->deadline < next) {
                next = cam->deadline;
            }
        }
        lock.lock();
        if (watchStop_) break;
        watchCv_.wait_until(lock, next);
    }
}

PresetMap CameraBank::Presets(size_t i) {
    Camera& c = *cams_[i];
    std::lock_guard<std::mutex> lock(c.mutex);
    return c.names;
}

PresetResult CameraBank::SetPreset(size_t i, const std::string& name, int number, int& assigned) {
    Camera& c = *cams_[i];
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        if (!c.presets || !c.handle) return PresetResult::Unsupported;
        if (number != 0 && (number < 1 || number > config_.maxPreset || !c.names.count(number)))
            return PresetResult::NoToken;
        for (const auto& p : c.names)
            if (p.second == name && p.first != number) return PresetResult::NameExists;
        if (number == 0)
            for (int n = 1; n <= config_.maxPreset && !number; ++n)
                if (!c.names.count(n)) number = n;
        if (number == 0) return PresetResult::TooMany;
        SetPtPresetNo(c.channel, number);
        Command(c, PT_PRESET_SET);
        c.names[number] = name.empty() ? "Preset " + std::to_string(number) : name;
        assigned = number;
    }
    return SaveAll() ? PresetResult::Ok : PresetResult::StoreFailed;
}

PresetResult CameraBank::GotoPreset(size_t i, int number) {
    Camera& c = *cams_[i];
    std::lock_guard<std::mutex> lock(c.mutex);
    if (!c.presets || !c.handle) return PresetResult::Unsupported;
    if (!c.names.count(number)) return PresetResult::NoToken;
    SetPtPresetNo(c.channel, number);
    Command(c, PT_PRESET_GOTO);
    c.movingPt = c.movingZoom = false;
    return PresetResult::Ok;
}

PresetResult CameraBank::RemovePreset(size_t i, int number) {
    Camera& c = *cams_[i];
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        if (!c.presets || !c.handle) return PresetResult::Unsupported;
        if (!c.names.count(number)) return PresetResult::NoToken;
        SetPtPresetNo(c.channel, number);
        Command(c, PT_PRESET_CLEAR);
        c.names.erase(number);
    }
    return SaveAll() ? PresetResult::Ok : PresetResult::StoreFailed;
}

bool CameraBank::SaveAll() {
    // The snapshot and the write under one lock: a later snapshot is never overtaken.
    std::lock_guard<std::mutex> saving(saveMutex_);
    std::map<std::string, PresetMap> all;
    for (auto& cam : cams_) {
        std::lock_guard<std::mutex> lock(cam->mutex);
        all[config_.cameras[cam->index].token] = cam->names;
    }
    std::string error;
    if (store_.Save(all, error)) return true;
    if (log_) log_("preset names not saved: " + error);
    return false;
}

std::vector<std::string> CameraBank::Frames(size_t i) {
    Camera& c = *cams_[i];
    std::lock_guard<std::mutex> lock(c.mutex);
    return std::vector<std::string>(c.frames.begin(), c.frames.end());
}

}  // namespace trevalod
