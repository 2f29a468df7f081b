// Digest checks, the replay cache and the time window.
#include <gtest/gtest.h>

#include "Auth.h"

using namespace trevalod;

namespace {

const char* kDigest = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0#PasswordDigest";
const time_t kNow = 1796000000;  // 2026-11-30T...

std::string At(time_t t) {
    char out[32];
    struct tm tm;
    gmtime_r(&t, &tm);
    strftime(out, sizeof out, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return out;
}

}  // namespace

TEST(Auth, DigestOfKnownVector) {
    // The WS-Security username token profile's own form: base64(SHA-1(nonce + created + password)).
    std::string nonce;
    ASSERT_TRUE(Base64Decode("LKqI6G/AikKCQrN0zqZFlg==", nonce));
    EXPECT_EQ(PasswordDigest(nonce, "2010-09-16T07:50:45Z", "userpassword"), "tuOSpGlFlIXsozq4HFNeeGeFLEI=");
}

TEST(Auth, Cases) {
    struct Case {
        const char* what;
        std::string user, type, password;
        time_t created;
        bool ok;
    };
    const std::string nonce = "0123456789abcdef";
    const Case cases[] = {
        {"right", "admin", kDigest, "secret-pass", kNow, true},
        {"wrong password", "admin", kDigest, "secret-pasS", kNow, false},
        {"unknown user", "root", kDigest, "secret-pass", kNow, false},
        {"text password type", "admin", "#PasswordText", "secret-pass", kNow, false},
        {"created too old", "admin", kDigest, "secret-pass", kNow - 301, false},
        {"created too far ahead", "admin", kDigest, "secret-pass", kNow + 301, false},
        {"created at the window's edge", "admin", kDigest, "secret-pass", kNow - 300, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        Authenticator auth(std::vector<UserConfig>{{"admin", "secret-pass"}});
        const std::string thisNonce = nonce + std::to_string(n++);
        const std::string created = At(c.created);
        const std::string digest = PasswordDigest(thisNonce, created, c.password);
        std::string why;
        EXPECT_EQ(auth.Check(c.user, c.type, digest, Base64Encode(thisNonce), created, kNow, why), c.ok)
            << c.what << ": " << why;
    }
}

TEST(Auth, NonceRefusedTwiceWithinWindowAndForgottenAfter) {
    Authenticator auth(std::vector<UserConfig>{{"admin", "secret-pass"}});
    const std::string nonce = "replayed-nonce-01", created = At(kNow);
    const std::string digest = PasswordDigest(nonce, created, "secret-pass");
    std::string why;
    ASSERT_TRUE(auth.Check("admin", kDigest, digest, Base64Encode(nonce), created, kNow, why)) << why;
    EXPECT_FALSE(auth.Check("admin", kDigest, digest, Base64Encode(nonce), created, kNow + 10, why));
    EXPECT_EQ(why, "nonce already used");
    // A wrong digest with a fresh nonce must not poison that nonce for the real client.
    const std::string fresh = "fresh-nonce-00001";
    EXPECT_FALSE(auth.Check("admin", kDigest, "AAAA", Base64Encode(fresh), created, kNow, why));
    EXPECT_TRUE(auth.Check("admin", kDigest, PasswordDigest(fresh, created, "secret-pass"), Base64Encode(fresh),
                           created, kNow, why));
    // Once Created has left the window the nonce is dropped (the time check refuses it anyway).
    const time_t later = kNow + 302;
    const std::string other = "another-nonce-002", created2 = At(later);
    EXPECT_TRUE(auth.Check("admin", kDigest, PasswordDigest(other, created2, "secret-pass"), Base64Encode(other),
                           created2, later, why));
    EXPECT_EQ(auth.RememberedNonces(), 1u);
}

TEST(Auth, ParseUtcAndBase64Edges) {
    for (const char* ok : {"1970-01-01T00:00:10Z", "1970-01-01T00:00:10.123Z", "1970-01-01T00:00:10+00:00"})
        EXPECT_EQ(ParseUtc(ok), 10) << ok;
    for (const char* bad : {"1970-01-01T00:00:10+02:00", "1970-13-01T00:00:10Z", ""}) EXPECT_EQ(ParseUtc(bad), -1) << bad;
    std::string out;
    for (const char* bad : {"abc", ""}) EXPECT_FALSE(Base64Decode(bad, out)) << bad;
    ASSERT_TRUE(Base64Decode("YWI=", out));
    EXPECT_EQ(out, "ab");
}
