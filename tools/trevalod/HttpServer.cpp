#include "HttpServer.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <cstring>

#include "Log.h"
#include "Soap.h"

namespace trevalod {
namespace {

// Bodies over the limit are still read up to here before the connection is cut.
constexpr size_t kMaxDiscard = 1024 * 1024;

struct Upload {
    std::string body;
    bool tooLarge = false;
    size_t seen = 0;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

std::string Peer(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    char text[INET6_ADDRSTRLEN] = "?";
    if (info && info->client_addr) {
        const sockaddr* sa = info->client_addr;
        if (sa->sa_family == AF_INET)
            inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, text, sizeof text);
        else if (sa->sa_family == AF_INET6)
            inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(sa)->sin6_addr, text, sizeof text);
    }
    return text;
}

MHD_Result Send(MHD_Connection* connection, int status, const std::string& body, bool close) {
    MHD_Response* r = MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()),
                                                      MHD_RESPMEM_MUST_COPY);
    if (!r) return MHD_NO;
    MHD_add_response_header(r, "Content-Type", "application/soap+xml; charset=utf-8");
    if (close) MHD_add_response_header(r, "Connection", "close");
    const MHD_Result ok = MHD_queue_response(connection, static_cast<unsigned>(status), r);
    MHD_destroy_response(r);
    return ok;
}

void LogRequest(const std::string& peer, const char* method, const char* url, const HttpReply& reply,
                const Upload& up) {
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - up.start).count();
    char took[32];
    snprintf(took, sizeof took, "%.1fms", ms);
    std::string line = peer + " " + method + " " + url + " " + (reply.action.empty() ? "-" : reply.action) +
                       " user=" + (reply.user.empty() ? "-" : reply.user) + " " + std::to_string(reply.status) +
                       " " + took;
    if (!reply.detail.empty()) line += " (" + reply.detail + ")";
    LogLine(Level::Info, line);
}

MHD_Result OnRequest(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*,
                     const char* data, size_t* size, void** state) {
    auto* l = static_cast<HttpServer::Listener*>(cls);
    auto* up = static_cast<Upload*>(*state);
    if (!up) {
        up = new Upload;
        *state = up;
        const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Content-Length");
        const unsigned long long declared = length ? std::strtoull(length, nullptr, 10) : 0;
        up->tooLarge = declared > kMaxBody;
        // A body past the limit is read and dropped, so the client is there
        // to read the refusal; one far past it is refused before it is read.
        if (declared <= kMaxDiscard) return MHD_YES;
    } else if (*size) {
        up->seen += *size;
        if (!up->tooLarge && up->body.size() + *size <= kMaxBody) up->body.append(data, *size);
        else up->tooLarge = true;
        *size = 0;
        if (up->seen <= kMaxDiscard) return MHD_YES;
    }
    HttpReply reply;
    if (std::strcmp(method, "POST") != 0) {
        reply.status = 405;
        reply.detail = "only POST is served";
        reply.body = Fault("env:Sender", "", "SOAP requests are POSTed");
    } else if (up->tooLarge) {
        reply.status = 413;
        reply.detail = "body over " + std::to_string(kMaxBody) + " bytes";
        reply.body = Fault("env:Sender", "", "request body too large");
    } else {
        HttpRequest req;
        req.path = url;
        const char* host = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "Host");
        req.host = host ? host : "";
        req.body = up->body.data();
        req.size = up->body.size();
        req.scope = l->scope;
        reply = l->service->Handle(req);
    }
    LogRequest(Peer(connection), method, url, reply, *up);
    return Send(connection, reply.status, reply.body, up->tooLarge || reply.status == 405);
}

void OnDone(void*, MHD_Connection*, void** state, MHD_RequestTerminationCode) {
    delete static_cast<Upload*>(*state);
    *state = nullptr;
}

}  // namespace

bool HttpServer::Listen(const std::string& address, int port, int scope, std::string& error) {
    sockaddr_storage ss{};
    socklen_t len = 0;
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_THREAD_PER_CONNECTION;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&ss);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&ss);
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<uint16_t>(port));
        len = sizeof *v4;
    } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<uint16_t>(port));
        len = sizeof *v6;
        flags |= MHD_USE_IPv6;
    } else {
        error = "listen address \"" + address + "\" is not a numeric IPv4 or IPv6 address";
        return false;
    }
    (void)len;
    auto* l = new Listener{&service_, nullptr, scope};
    // One thread per connection: a camera's pauses hold up only its own client.
    l->daemon = MHD_start_daemon(flags, static_cast<uint16_t>(port), nullptr, nullptr, &OnRequest, l,
                                 MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&ss),
                                 MHD_OPTION_CONNECTION_TIMEOUT, kReadTimeoutSeconds,
                                 MHD_OPTION_CONNECTION_LIMIT, 512U,
                                 MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<size_t>(128 * 1024),
                                 MHD_OPTION_NOTIFY_COMPLETED, &OnDone, nullptr,
                                 MHD_OPTION_END);
    if (!l->daemon) {
        delete l;
        error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    listeners_.push_back(l);
    return true;
}

int HttpServer::BoundPort(size_t listener) const {
    if (listener >= listeners_.size()) return 0;
    const MHD_DaemonInfo* info = MHD_get_daemon_info(listeners_[listener]->daemon, MHD_DAEMON_INFO_BIND_PORT);
    return info ? info->port : 0;
}

void HttpServer::Stop() {
    for (Listener* l : listeners_) {
        MHD_stop_daemon(l->daemon);
        delete l;
    }
    listeners_.clear();
}

}  // namespace trevalod
