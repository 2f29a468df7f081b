// What the daemon's tests share: UTC stamps and signed SOAP envelopes.
#pragma once

#include <ctime>
#include <string>

#include "Auth.h"

namespace daemontest {

const std::string kTokenProfile = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0#";
const std::string kDigestType = kTokenProfile + "PasswordDigest";

inline std::string Utc(time_t t) {
    char out[32];
    struct tm tm;
    gmtime_r(&t, &tm);
    strftime(out, sizeof out, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return out;
}

inline std::string Envelope(const std::string& header, const std::string& body) {
    return "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Header>" + header +
           "</s:Header><s:Body>" + body + "</s:Body></s:Envelope>";
}

// A WS-Security UsernameToken whose Password is the digest of PASSWORD, of type TYPE.
inline std::string Token(const std::string& user, const std::string& password, const std::string& nonce, time_t when,
                         const std::string& type = kDigestType) {
    const std::string created = Utc(when);
    return "<Security xmlns=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd\">"
           "<UsernameToken><Username>" + user + "</Username><Password Type=\"" + type + "\">" +
           trevalod::PasswordDigest(nonce, created, password) + "</Password><Nonce>" + trevalod::Base64Encode(nonce) +
           "</Nonce><Created xmlns=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd\">" +
           created + "</Created></UsernameToken></Security>";
}

inline std::string Move(const std::string& velocity, const std::string& rest = "") {
    return "<ContinuousMove xmlns=\"http://www.onvif.org/ver20/ptz/wsdl\"><ProfileToken>gate</ProfileToken><Velocity>" +
           velocity + "</Velocity>" + rest + "</ContinuousMove>";
}

}  // namespace daemontest
