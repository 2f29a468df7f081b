// libFuzzer target over trevalod's SOAP request handler: every input is one
// HTTP body handed to the service, with two cameras in capture mode behind
// it. The first byte picks whether the digest check runs (off, so the
// operations themselves are reached) and which listener the request came in on.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include <trevalo.h>

#include "Auth.h"
#include "Log.h"
#include "Service.h"

using namespace trevalod;

namespace {

struct World {
    Config config;
    CameraBank* bank = nullptr;
    Authenticator* auth = nullptr;
    Service* service = nullptr;

    World() {
        SetLogQuiet(true);
        SetPTInit();
        const char* shm = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        config.stateFile = std::string(shm) + "/trevalod-fuzz-" + std::to_string(getpid()) + ".yaml";
        // Long enough that no timer fires during a run: each input stands alone.
        config.defaultTimeoutSeconds = 3600;
        config.lines.push_back(LineConfig{"a", "/dev/null"});
        CameraConfig gate;
        gate.name = "Gate";
        gate.token = "gate";
        gate.protocol = 6;
        gate.line = "a";
        gate.rtsp = "rtsp://127.0.0.1/1";
        gate.presets[1] = "Home";
        CameraConfig yard = gate;
        yard.name = "Yard";
        yard.token = "yard";
        yard.protocol = 24;
        yard.address = 2;
        yard.port = 8081;
        config.cameras = {gate, yard};
        config.users = {{"admin", "secret-pass"}};
        bank = new CameraBank(config, nullptr);
        std::string error;
        if (!bank->OpenCaptured(error)) abort();
        auth = new Authenticator(config.users);
        service = new Service(config, *bank, *auth);
        service->SetClock([] { return static_cast<time_t>(1796000000); });
        atexit([] { unlink(("/dev/shm/trevalod-fuzz-" + std::to_string(getpid()) + ".yaml").c_str()); });
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static World world;
    if (size < 1) return 0;
    world.service->SetAuthenticationForFuzzing((data[0] & 1) != 0);
    HttpRequest req;
    req.path = "/onvif/ptz_service";
    req.host = (data[0] & 4) ? "bad host\r\n" : "127.0.0.1:8080";
    req.scope = (data[0] & 2) ? 1 : -1;
    req.body = reinterpret_cast<const char*>(data + 1);
    req.size = size - 1;
    const HttpReply reply = world.service->Handle(req);
    if (reply.status != 200 && reply.status != 400 && reply.status != 500) abort();
    if (reply.body.find("<env:Envelope") == std::string::npos) abort();
    return 0;
}
