#include "Auth.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <cstdio>
#include <cstring>

namespace trevalod {
namespace {

const char* const kDigestType =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0#PasswordDigest";
// Past this many live nonces new ones are refused rather than the oldest
// forgotten: forgetting early would reopen the replay window.
constexpr size_t kMaxNonces = 200000;

}  // namespace

std::string Base64Encode(const std::string& bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(&out[0]),
                                  reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

bool Base64Decode(const std::string& text, std::string& bytes) {
    if (text.empty() || text.size() % 4 != 0 || text.size() > 4096) return false;
    std::string out(text.size() / 4 * 3, '\0');
    const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(&out[0]),
                                  reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (n < 0) return false;
    size_t len = static_cast<size_t>(n);
    // EVP_DecodeBlock counts the padding as zero bytes.
    if (text[text.size() - 1] == '=') --len;
    if (text[text.size() - 2] == '=') --len;
    out.resize(len);
    bytes = out;
    return true;
}

std::string PasswordDigest(const std::string& nonceBytes, const std::string& created, const std::string& password) {
    const std::string all = nonceBytes + created + password;
    unsigned char md[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(all.data()), all.size(), md);
    return Base64Encode(std::string(reinterpret_cast<char*>(md), sizeof md));
}

time_t ParseUtc(const std::string& text) {
    int y, mo, d, h, mi, s, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) != 6) return -1;
    size_t i = static_cast<size_t>(used);
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    }
    const std::string zone = text.substr(i);
    if (zone != "Z" && zone != "+00:00" && zone != "-00:00") return -1;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60 || y < 1970) return -1;
    struct tm tm {};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    return timegm(&tm);
}

std::string RandomHex(size_t bytes) {
    std::string raw(bytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(&raw[0]), static_cast<int>(bytes)) != 1) raw.assign(bytes, '\x5a');
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (unsigned char c : raw) {
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

Authenticator::Authenticator(const std::vector<UserConfig>& users, int windowSeconds) : window_(windowSeconds) {
    for (const auto& u : users) passwords_[u.name] = u.password;
}

size_t Authenticator::RememberedNonces() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_.size();
}

bool Authenticator::Check(const std::string& user, const std::string& passwordType, const std::string& digestB64,
                          const std::string& nonceB64, const std::string& created, time_t now, std::string& why) {
    if (passwordType != kDigestType) {
        why = "password type is not PasswordDigest";
        return false;
    }
    std::string nonce;
    if (!Base64Decode(nonceB64, nonce) || nonce.size() < 8) {
        why = "nonce missing or not base64 of at least 8 bytes";
        return false;
    }
    const time_t when = ParseUtc(created);
    if (when < 0) {
        why = "Created missing or not a UTC time";
        return false;
    }
    if (when > now + window_ || when < now - window_) {
        why = "Created outside the accepted window";
        return false;
    }
    const auto it = passwords_.find(user);
    // An unknown user costs the same digest as a known one.
    const std::string expected = PasswordDigest(nonce, created, it == passwords_.end() ? std::string("\x01") : it->second);
    const bool same = expected.size() == digestB64.size() &&
                      CRYPTO_memcmp(expected.data(), digestB64.data(), expected.size()) == 0;
    if (it == passwords_.end() || !same) {
        why = it == passwords_.end() ? "unknown user" : "wrong digest";
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    while (!expiry_.empty() && expiry_.begin()->first < now) {
        seen_.erase(expiry_.begin()->second);
        expiry_.erase(expiry_.begin());
    }
    if (seen_.count(nonce)) {
        why = "nonce already used";
        return false;
    }
    if (seen_.size() >= kMaxNonces) {
        why = "too many live nonces";
        return false;
    }
    // Remembered until its Created time leaves the window for good.
    seen_[nonce] = when + window_ + 1;
    expiry_.emplace(when + window_ + 1, nonce);
    return true;
}

}  // namespace trevalod
