// HTTP listeners (libmicrohttpd) in front of the SOAP service.
#pragma once

#include <string>
#include <vector>

#include "Service.h"

struct MHD_Daemon;

namespace trevalod {

constexpr size_t kMaxBody = 64 * 1024;
// A client that has not sent its whole request by then is cut off.
constexpr unsigned kReadTimeoutSeconds = 10;

class HttpServer {
public:
    explicit HttpServer(Service& service) : service_(service) {}
    ~HttpServer() { Stop(); }

    // Listens on ADDRESS:PORT only (numeric IPv4 or IPv6; port 0 picks one,
    // see BoundPort). scope -1 shows every camera, n camera n alone.
    bool Listen(const std::string& address, int port, int scope, std::string& error);
    int BoundPort(size_t listener) const;
    void Stop();

    struct Listener {
        Service* service;
        MHD_Daemon* daemon;
        int scope;
    };

private:
    Service& service_;
    std::vector<Listener*> listeners_;
};

}  // namespace trevalod
