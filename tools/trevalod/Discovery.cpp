#include "Discovery.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/sha.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "Auth.h"
#include "Log.h"
#include "Soap.h"

namespace trevalod {
namespace {

const char* const kNsDiscovery = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
constexpr size_t kMaxDatagram = 16 * 1024;

bool WantsUs(const std::string& types) {
    // No Types means any device; otherwise one of the types we are.
    if (types.empty()) return true;
    size_t start = 0;
    while (start < types.size()) {
        size_t end = types.find_first_of(" \t\r\n", start);
        if (end == std::string::npos) end = types.size();
        std::string t = types.substr(start, end - start);
        t = t.substr(t.find(':') == std::string::npos ? 0 : t.find(':') + 1);
        if (t == "NetworkVideoTransmitter" || t == "Device") return true;
        start = end + 1;
    }
    return false;
}

// The local address a reply to PEER leaves from, for a wildcard listener.
std::string LocalFor(const sockaddr_in& peer) {
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    std::string out = "127.0.0.1";
    if (s >= 0) {
        sockaddr_in local{};
        socklen_t len = sizeof local;
        char text[INET_ADDRSTRLEN];
        if (connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0 &&
            getsockname(s, reinterpret_cast<sockaddr*>(&local), &len) == 0 &&
            inet_ntop(AF_INET, &local.sin_addr, text, sizeof text))
            out = text;
        close(s);
    }
    return out;
}

}  // namespace

std::string StableUuid(const std::string& seed) {
    unsigned char md[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(seed.data()), seed.size(), md);
    md[6] = static_cast<unsigned char>((md[6] & 0x0f) | 0x50);
    md[8] = static_cast<unsigned char>((md[8] & 0x3f) | 0x80);
    char out[64];
    snprintf(out, sizeof out, "urn:uuid:%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", md[0],
             md[1], md[2], md[3], md[4], md[5], md[6], md[7], md[8], md[9], md[10], md[11], md[12], md[13], md[14],
             md[15]);
    return out;
}

std::string ProbeReply(const char* data, size_t size, const std::vector<DiscoveredDevice>& devices,
                       const std::string& xaddrHost) {
    SoapRequest req;
    std::string why;
    if (!ParseSoap(data, size, req, why) || req.action != "Probe" || req.actionNs != kNsDiscovery) return "";
    if (!WantsUs(req.Get("Types"))) return "";
    std::string matches;
    for (const auto& d : devices) {
        matches += "<d:ProbeMatch><a:EndpointReference><a:Address>" + d.uuid +
                   "</a:Address></a:EndpointReference><d:Types>dn:NetworkVideoTransmitter tds:Device</d:Types>"
                   "<d:Scopes>onvif://www.onvif.org/type/ptz onvif://www.onvif.org/type/video_encoder "
                   "onvif://www.onvif.org/Profile/Streaming onvif://www.onvif.org/name/" +
                   Esc(d.name) + "</d:Scopes><d:XAddrs>http://" + Esc(xaddrHost) + ":" + std::to_string(d.port) +
                   "/onvif/device_service</d:XAddrs><d:MetadataVersion>1</d:MetadataVersion></d:ProbeMatch>";
    }
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
                       " xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" xmlns:d=\"") +
           kNsDiscovery +
           "\" xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\" xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\">"
           "<s:Header><a:MessageID>urn:uuid:" +
           RandomHex(16) + "</a:MessageID><a:RelatesTo>" + Esc(req.messageId) +
           "</a:RelatesTo><a:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</a:To>"
           "<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</a:Action></s:Header>"
           "<s:Body><d:ProbeMatches>" +
           matches + "</d:ProbeMatches></s:Body></s:Envelope>\n";
}

bool Discovery::Start(const std::string& address, int port, std::vector<DiscoveredDevice> devices,
                      std::string& error) {
    devices_ = std::move(devices);
    address_ = address;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
        error = "discovery needs an IPv4 listen address, not \"" + address + "\"";
        return false;
    }
    unicast_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(unicast_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (unicast_ < 0 || bind(unicast_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        error = "discovery cannot bind " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        Stop();
        return false;
    }
    sockaddr_in bound{};
    socklen_t blen = sizeof bound;
    getsockname(unicast_, reinterpret_cast<sockaddr*>(&bound), &blen);
    port_ = ntohs(bound.sin_port);

    // Bound to the group address, this socket hears the group and nothing else.
    multicast_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in group{};
    group.sin_family = AF_INET;
    group.sin_port = htons(static_cast<uint16_t>(port_));
    inet_pton(AF_INET, "239.255.255.250", &group.sin_addr);
    ip_mreq mreq{};
    mreq.imr_multiaddr = group.sin_addr;
    mreq.imr_interface = sa.sin_addr;
    setsockopt(multicast_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (multicast_ < 0 || bind(multicast_, reinterpret_cast<sockaddr*>(&group), sizeof group) != 0 ||
        setsockopt(multicast_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &mreq, sizeof mreq) != 0) {
        LogLine(Level::Warning, "discovery: multicast not available on " + address + " (" + std::strerror(errno) +
                                    "); unicast probes only");
        if (multicast_ >= 0) close(multicast_);
        multicast_ = -1;
    }
    if (pipe2(wake_, O_CLOEXEC) != 0) {
        error = std::string("discovery: ") + std::strerror(errno);
        Stop();
        return false;
    }
    thread_ = std::thread(&Discovery::Run, this);
    return true;
}

void Discovery::Run() {
    std::vector<char> buf(kMaxDatagram);
    for (;;) {
        pollfd fds[3] = {{wake_[0], POLLIN, 0}, {unicast_, POLLIN, 0}, {multicast_, POLLIN, 0}};
        const nfds_t n = multicast_ >= 0 ? 3 : 2;
        if (poll(fds, n, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents) return;
        for (nfds_t k = 1; k < n; ++k) {
            if (!(fds[k].revents & POLLIN)) continue;
            sockaddr_in peer{};
            socklen_t plen = sizeof peer;
            const ssize_t got = recvfrom(fds[k].fd, buf.data(), buf.size(), MSG_DONTWAIT,
                                         reinterpret_cast<sockaddr*>(&peer), &plen);
            if (got <= 0) continue;
            const std::string host = address_ == "0.0.0.0" ? LocalFor(peer) : address_;
            const std::string reply = ProbeReply(buf.data(), static_cast<size_t>(got), devices_, host);
            if (reply.empty()) continue;
            // Replies go unicast from the socket bound to our own address.
            sendto(unicast_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&peer), plen);
            char text[INET_ADDRSTRLEN] = "?";
            inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
            LogLine(Level::Info, std::string(text) + " UDP discovery Probe " + std::to_string(devices_.size()) +
                                     " match(es)");
        }
    }
}

void Discovery::Stop() {
    if (thread_.joinable()) {
        const char c = 0;
        (void)!write(wake_[1], &c, 1);
        thread_.join();
    }
    for (int* fd : {&unicast_, &multicast_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

}  // namespace trevalod
