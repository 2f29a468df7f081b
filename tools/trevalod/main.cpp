// trevalod: every configured serial camera as an ONVIF PTZ device.
//
//   trevalod --config FILE [--check]
//
// Runs until SIGTERM or SIGINT, then stops every moving camera and closes
// every line.
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <trevalo.h>

#include "Auth.h"
#include "Config.h"
#include "Discovery.h"
#include "HttpServer.h"
#include "Log.h"
#include "Ptz.h"
#include "Service.h"

using namespace trevalod;

namespace {

int Usage() {
    std::fprintf(stderr, "usage: trevalod --config FILE [--check]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string file;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--config") && i + 1 < argc) file = argv[++i];
        else if (!std::strcmp(argv[i], "--check")) check = true;
        else return Usage();
    }
    if (file.empty()) return Usage();

    // Signals are taken by sigwait below, never by a worker thread.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    signal(SIGPIPE, SIG_IGN);

    SetPTInit();  // the protocol names the config may use
    Config config;
    std::string error;
    if (!LoadConfig(file, config, error)) {
        std::fprintf(stderr, "trevalod: %s\n", error.c_str());
        SetPTUnInit();
        return 2;
    }
    if (check) {
        std::printf("%s: %zu line(s), %zu camera(s), %zu user(s)\n", file.c_str(), config.lines.size(),
                    config.cameras.size(), config.users.size());
        SetPTUnInit();
        return 0;
    }

    CameraBank cameras(config, [](const std::string& m) { LogLine(Level::Warning, m); });
    if (!cameras.OpenLines(error)) {
        LogLine(Level::Error, error);
        SetPTUnInit();
        return 1;
    }
    Authenticator auth(config.users);
    Service service(config, cameras, auth);
    HttpServer http(service);
    std::vector<DiscoveredDevice> devices;
    bool ok = http.Listen(config.address, config.port, -1, error);
    if (ok) devices.push_back({StableUuid(config.address + ":" + std::to_string(config.port)), http.BoundPort(0),
                               "trevalod"});
    for (size_t i = 0; ok && i < config.cameras.size(); ++i) {
        if (!config.cameras[i].port) continue;
        ok = http.Listen(config.address, config.cameras[i].port, static_cast<int>(i), error);
        devices.push_back({StableUuid(config.address + ":" + std::to_string(config.cameras[i].port)),
                           config.cameras[i].port, config.cameras[i].name});
    }
    Discovery discovery;
    // Without discovery a VMS can still be pointed at the address by hand.
    if (ok && config.discovery && !discovery.Start(config.address, config.discoveryPort, devices, error))
        LogLine(Level::Warning, error + "; discovery is off");
    if (!ok) {
        LogLine(Level::Error, error);
        http.Stop();
        cameras.Close();
        SetPTUnInit();
        return 1;
    }
    LogLine(Level::Info, "listening on " + config.address + ":" + std::to_string(http.BoundPort(0)) + ", " +
                             std::to_string(config.cameras.size()) + " camera(s)" +
                             (discovery.Port() ? ", discovery on port " + std::to_string(discovery.Port()) : ""));

    int sig = 0;
    while (sigwait(&stop, &sig) != 0) {
    }
    LogLine(Level::Info, std::string("stopping on ") + (sig == SIGTERM ? "SIGTERM" : "SIGINT"));
    discovery.Stop();
    http.Stop();
    cameras.Close();
    SetPTUnInit();
    LogLine(Level::Info, "every camera stopped, every line closed");
    return 0;
}
