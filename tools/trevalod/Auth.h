// WS-UsernameToken PasswordDigest checks with a replay cache of nonces.
#pragma once

#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "Config.h"

namespace trevalod {

class Authenticator {
public:
    // window: how far Created may be from our clock, and how long a nonce is remembered.
    explicit Authenticator(const std::vector<UserConfig>& users, int windowSeconds = 300);

    // True when the token is a PasswordDigest for a known user, fresh and not
    // seen before; otherwise false with the cause (for the log, never the client).
    bool Check(const std::string& user, const std::string& passwordType, const std::string& digestB64,
               const std::string& nonceB64, const std::string& created, time_t now, std::string& why);

    size_t RememberedNonces();

private:
    std::map<std::string, std::string> passwords_;
    int window_;
    std::mutex mutex_;
    std::map<std::string, time_t> seen_;         // nonce -> when it stops mattering
    std::multimap<time_t, std::string> expiry_;  // the same, in order of time
};

// base64(SHA-1(nonce bytes + created + password)), as the token carries it.
std::string PasswordDigest(const std::string& nonceBytes, const std::string& created, const std::string& password);
std::string Base64Encode(const std::string& bytes);
bool Base64Decode(const std::string& text, std::string& bytes);
// "2026-12-06T13:52:37Z" (fractions and a Z or +00:00 zone accepted) -> time_t, -1 if not.
time_t ParseUtc(const std::string& text);
std::string RandomHex(size_t bytes);

}  // namespace trevalod
