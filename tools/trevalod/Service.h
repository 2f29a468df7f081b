// The ONVIF Device, Media and PTZ services: one SOAP request in, one reply out.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "Auth.h"
#include "Config.h"
#include "Ptz.h"

namespace trevalod {

struct HttpRequest {
    std::string path;
    std::string host;   // the Host header, for the service addresses we hand out
    const char* body = nullptr;
    size_t size = 0;
    int scope = -1;     // -1: the whole device; n: camera n alone on its own port
};

struct HttpReply {
    int status = 200;
    std::string body;
    std::string action;  // for the log line
    std::string user;
    std::string detail;  // why a request was refused, for the log only
};

class Service {
public:
    Service(const Config& config, CameraBank& cameras, Authenticator& auth);
    HttpReply Handle(const HttpRequest& request);
    // The clock the digest window is checked against (tests move it).
    void SetClock(std::function<time_t()> clock) { clock_ = std::move(clock); }
    // The fuzz target reaches the operations without a valid digest.
    void SetAuthenticationForFuzzing(bool on) { authenticate_ = on; }

private:
    const Config& config_;
    CameraBank& cams_;
    Authenticator& auth_;
    std::function<time_t()> clock_;
    bool authenticate_ = true;
};

}  // namespace trevalod
