// Digest checks, the replay cache and the time window.
#include <gtest/gtest.h>

#include "DaemonSupport.h"

using namespace trevalod;
using namespace daemontest;

static const time_t kNow = 1796000000;  // 2026-11-30T...

TEST(Auth, KnownDigestAndEncodingEdges) {
    // The WS-Security username token profile's own form: base64(SHA-1(nonce + created + password)).
    std::string out;
    ASSERT_TRUE(Base64Decode("LKqI6G/AikKCQrN0zqZFlg==", out));
    EXPECT_EQ(PasswordDigest(out, "2010-09-16T07:50:45Z", "userpassword"), "tuOSpGlFlIXsozq4HFNeeGeFLEI=");
    for (const char* ok : {"1970-01-01T00:00:10Z", "1970-01-01T00:00:10.123Z", "1970-01-01T00:00:10+00:00"})
        EXPECT_EQ(ParseUtc(ok), 10) << ok;
    for (const char* bad : {"1970-01-01T00:00:10+02:00", "1970-13-01T00:00:10Z", ""}) EXPECT_EQ(ParseUtc(bad), -1) << bad;
    for (const char* bad : {"abc", ""}) EXPECT_FALSE(Base64Decode(bad, out)) << bad;
    EXPECT_TRUE(Base64Decode("YWI=", out) && out == "ab") << out;
}

TEST(Auth, Cases) {
    struct Case { const char* what; std::string user, type, password; time_t created; bool ok; };
    const Case cases[] = {
        {"right", "admin", kDigestType, "secret-pass", kNow, true},
        {"wrong password", "admin", kDigestType, "secret-pasS", kNow, false},
        {"unknown user", "root", kDigestType, "secret-pass", kNow, false},
        {"text password type", "admin", "#PasswordText", "secret-pass", kNow, false},
        {"created too old", "admin", kDigestType, "secret-pass", kNow - 301, false},
        {"created too far ahead", "admin", kDigestType, "secret-pass", kNow + 301, false},
        {"created at the window's edge", "admin", kDigestType, "secret-pass", kNow - 300, true},
    };
    for (const Case& c : cases) {
        Authenticator auth(std::vector<UserConfig>{{"admin", "secret-pass"}});
        const std::string nonce = std::string("nonce: ") + c.what, created = Utc(c.created);
        std::string why;
        EXPECT_EQ(auth.Check(c.user, c.type, PasswordDigest(nonce, created, c.password), Base64Encode(nonce), created,
                             kNow, why), c.ok) << c.what << ": " << why;
    }
}

TEST(Auth, NonceRefusedTwiceWithinWindowAndForgottenAfter) {
    Authenticator auth(std::vector<UserConfig>{{"admin", "secret-pass"}});
    std::string why;
    // Signed at CREATED, checked at NOW; the right digest unless DIGEST is given.
    auto check = [&](const std::string& nonce, time_t created, time_t now, const char* digest = nullptr) {
        const std::string at = Utc(created), right = PasswordDigest(nonce, at, "secret-pass");
        return auth.Check("admin", kDigestType, digest ? digest : right, Base64Encode(nonce), at, now, why);
    };
    ASSERT_TRUE(check("replayed-nonce-01", kNow, kNow)) << why;
    EXPECT_FALSE(check("replayed-nonce-01", kNow, kNow + 10));
    EXPECT_EQ(why, "nonce already used");
    // A wrong digest with a fresh nonce must not poison that nonce for the real client.
    EXPECT_FALSE(check("fresh-nonce-00001", kNow, kNow, "AAAA"));
    EXPECT_TRUE(check("fresh-nonce-00001", kNow, kNow)) << why;
    // Once Created has left the window the nonce is dropped (the time check refuses it anyway).
    EXPECT_TRUE(check("another-nonce-002", kNow + 302, kNow + 302)) << why;
    EXPECT_EQ(auth.RememberedNonces(), 1u);
}
