// The SOAP handler over cameras in capture mode: what each request answers
// and which frames it yields, checked against the library's own capture
// calls on a channel of the test's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include <trevalo.h>

#include "Auth.h"
#include "Service.h"

using namespace trevalod;

namespace {

const char* kEnv = "http://www.w3.org/2003/05/soap-envelope";

std::string Envelope(const std::string& header, const std::string& body) {
    return std::string("<s:Envelope xmlns:s=\"") + kEnv + "\"><s:Header>" + header + "</s:Header><s:Body>" + body +
           "</s:Body></s:Envelope>";
}

std::string Token(const std::string& user, const std::string& password, const std::string& nonce, time_t when) {
    char created[32];
    struct tm tm;
    gmtime_r(&when, &tm);
    strftime(created, sizeof created, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return "<Security xmlns=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd\">"
           "<UsernameToken><Username>" + user +
           "</Username><Password Type=\"http://docs.oasis-open.org/wss/2004/01/"
           "oasis-200401-wss-username-token-profile-1.0#PasswordDigest\">" +
           PasswordDigest(nonce, created, password) + "</Password><Nonce>" + Base64Encode(nonce) +
           "</Nonce><Created xmlns=\"http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd\">" +
           created + "</Created></UsernameToken></Security>";
}

const std::string kRight = "<PanTilt x=\"1\" y=\"0\"/>";
std::string Move(const std::string& velocity, const std::string& rest = "") {
    return "<ContinuousMove xmlns=\"http://www.onvif.org/ver20/ptz/wsdl\"><ProfileToken>gate</ProfileToken><Velocity>" +
           velocity + "</Velocity>" + rest + "</ContinuousMove>";
}

std::string Hex(const std::string& bytes) {
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
        snprintf(b, sizeof b, "%02X ", c);
        out += b;
    }
    return out;
}

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/trevalod-test.XXXXXX";
        ASSERT_TRUE(mkdtemp(dir));
        dir_ = dir;
        SetPTInit();
        config_.stateFile = dir_ + "/state.yaml";
        config_.defaultTimeoutSeconds = 1;
        config_.lines.push_back(LineConfig{"a", "/dev/null"});
        // Pelco-D, and Lilin without presets.
        config_.cameras = {{"Gate", "gate", 6, 1, "a", "", 0, {{1, "Home"}}}, {"Yard", "yard", 4, 2, "a", "", 0, {}}};
        config_.users = {{"admin", "secret-pass"}};
        Start();
    }
    void TearDown() override {
        Stop();
        SetPTUnInit();
        std::system(("rm -rf " + dir_).c_str());
    }
    void Start() {
        bank_ = std::make_unique<CameraBank>(config_, nullptr);
        std::string error;
        ASSERT_TRUE(bank_->OpenCaptured(error)) << error;
        auth_ = std::make_unique<Authenticator>(config_.users);
        service_ = std::make_unique<Service>(config_, *bank_, *auth_);
    }
    void Stop() {
        service_.reset();
        auth_.reset();
        if (bank_) bank_->Close();
        bank_.reset();
    }
    HttpReply Send(const std::string& body, const std::string& header = std::string(), int scope = -1) {
        return Raw(Envelope(header, body), scope);
    }
    HttpReply Raw(const std::string& text, int scope = -1) {
        HttpRequest r;
        r.path = "/onvif/ptz_service";
        r.host = "127.0.0.1:8080";
        r.body = text.data();
        r.size = text.size();
        r.scope = scope;
        return service_->Handle(r);
    }
    HttpReply Signed(const std::string& body, int scope = -1) {
        return Send(body, Token("admin", "secret-pass", "nonce-" + std::to_string(++nonce_) + "-abcdefgh", time(nullptr)),
                    scope);
    }
    // The frame the library captures for the last of CODES on a fresh Pelco-D
    // channel brought to the state the daemon keeps: every speed at its
    // slowest step, then STEPS up.
    std::string Expected(const std::vector<std::pair<int, int>>& steps, const std::vector<int>& codes, int preset = 0) {
        unsigned char buf[TREVALO_CAPTURE_MAX];
        int len = 0;
        PtPortHandle* h = SetPtOpen_NET(6, 200, 1, buf, &len);
        SetPtPresetNo(200, preset);
        for (int axis = 0; axis < 3; ++axis)
            for (int k = 0; k < 300; ++k) SetPtSpeedCtrl(h, 200, axis, 0);
        for (const auto& s : steps)
            for (int k = 0; k < s.second; ++k) SetPtSpeedCtrl(h, 200, s.first, 1);
        for (int code : codes) {
            len = 0;
            SetPtCmd_NET(h, 200, code, buf, &len);
        }
        const std::string out(reinterpret_cast<char*>(buf), static_cast<size_t>(len > 0 ? len : 0));
        SetPtClose_NET(h, 200, buf, &len);
        return out;
    }
    std::string Last(size_t cam = 0) {
        const auto frames = bank_->Frames(cam);
        return frames.empty() ? std::string() : frames.back();
    }

    std::string dir_;
    Config config_;
    std::unique_ptr<CameraBank> bank_;
    std::unique_ptr<Authenticator> auth_;
    std::unique_ptr<Service> service_;
    int nonce_ = 0;
};

}  // namespace

TEST_F(ServiceTest, BadRequestsGetFaults) {
    struct Case {
        const char* what;
        std::string text;
        int status;
        const char* says;
    };
    const std::string move = Move(kRight);
    const Case cases[] = {
        {"malformed XML", "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"><s:Body>", 400, "malformed XML"},
        {"not XML", "GET / HTTP/1.1", 400, "malformed XML"},
        {"SOAP 1.1", "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body><x/></s:Body></s:Envelope>",
         400, "not a SOAP 1.2 envelope"},
        {"entity expansion", "<!DOCTYPE s [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>" + Envelope("", "<x>&b;</x>"),
         400, "document type"},
        {"external entity", "<!DOCTYPE s [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>" + Envelope("", "<x>&e;</x>"), 400,
         "document type"},
        {"no body", "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"/>", 400, "no SOAP Body"},
        {"unsigned move", Envelope("", move), 400, "ter:NotAuthorized"},
        {"wrong password", Envelope(Token("admin", "secret-pasX", "nonce-wrong-0001", time(nullptr)), move), 400,
         "ter:NotAuthorized"},
        {"unknown action", Envelope(Token("admin", "secret-pass", "nonce-unk-000001", time(nullptr)),
                                    "<Reboot xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/>"),
         500, "ter:ActionNotSupported"},
        {"unknown service", Envelope(Token("admin", "secret-pass", "nonce-unk-000002", time(nullptr)),
                                     "<GetImagingSettings xmlns=\"http://www.onvif.org/ver20/imaging/wsdl\"/>"),
         500, "ter:ActionNotSupported"},
    };
    for (const Case& c : cases) {
        const HttpReply r = Raw(c.text);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_NE(r.body.find(c.says), std::string::npos) << c.what << ": " << r.body;
        EXPECT_NE(r.body.find("<env:Fault>"), std::string::npos) << c.what;
    }
    EXPECT_TRUE(bank_->Frames(0).empty()) << "no request above may reach the line";
    // The open operation needs no token.
    EXPECT_EQ(Send("<GetSystemDateAndTime xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/>").status, 200);
}

TEST_F(ServiceTest, ReplayedNonceRefused) {
    const std::string token = Token("admin", "secret-pass", "nonce-replay-001", time(nullptr));
    const std::string body = "<GetNodes xmlns=\"http://www.onvif.org/ver20/ptz/wsdl\"/>";
    EXPECT_EQ(Send(body, token).status, 200);
    const HttpReply again = Send(body, token);
    EXPECT_EQ(again.status, 400);
    EXPECT_EQ(again.detail, "nonce already used");
}

TEST_F(ServiceTest, VelocitiesGiveTheCaptureFrames) {
    struct Case {
        const char* velocity;
        std::vector<std::pair<int, int>> steps;  // (axis, steps up from the bottom)
        int code;
    };
    // Pelco-D pan and tilt speeds run 0 to 0x3F (64 steps), zoom 0 to 3.
    const Case cases[] = {
        {"<PanTilt x=\"1\" y=\"0\"/>", {{0, 63}}, PT_RIGHT},
        {"<PanTilt x=\"-1\" y=\"1\"/>", {{0, 63}, {1, 63}}, PT_UP_LEFT},
        {"<PanTilt x=\"0.5\" y=\"-0.25\"/>", {{0, 32}, {1, 16}}, PT_DOWN_RIGHT},
        {"<PanTilt x=\"0\" y=\"-1\"/>", {{1, 63}}, PT_DOWN},
        {"<PanTilt x=\"0.0001\" y=\"0.7\"/>", {{1, 44}}, PT_UP},
        {"<Zoom x=\"1\"/>", {{2, 3}}, PT_ZOOM_TELE},
        {"<Zoom x=\"-0.34\"/>", {{2, 1}}, PT_ZOOM_WIDE},
        {"<PanTilt x=\"5\" y=\"0\"/><Zoom x=\"1\"/>", {{0, 63}}, PT_RIGHT},  // clamped; pan/tilt wins
    };
    for (const Case& c : cases) {
        Stop();
        Start();
        const HttpReply r = Signed(Move(c.velocity));
        ASSERT_EQ(r.status, 200) << c.velocity << r.body;
        EXPECT_EQ(Hex(Last()), Hex(Expected(c.steps, {c.code}))) << c.velocity;
    }
    EXPECT_EQ(bank_->SpeedLevels(0, 0), 64);
    EXPECT_EQ(bank_->SpeedLevels(1, 0), 1) << "Lilin frames carry no speed";
}

TEST_F(ServiceTest, StopAndZeroVelocityStopWhatTheyName) {
    struct Case {
        std::string body;
        std::vector<int> codes;
    };
    const Case cases[] = {
        {"<Stop xmlns=\"http://www.onvif.org/ver20/ptz/wsdl\"><ProfileToken>gate</ProfileToken></Stop>",
         {PT_STOP, PT_LENS_STOP}},
        {"<Stop xmlns=\"http://www.onvif.org/ver20/ptz/wsdl\"><ProfileToken>gate</ProfileToken><PanTilt>true</PanTilt>"
         "<Zoom>false</Zoom></Stop>",
         {PT_STOP}},
        {"<Stop xmlns=\"http://www.onvif.org/ver20/ptz/wsdl\"><ProfileToken>gate</ProfileToken><PanTilt>false</PanTilt>"
         "</Stop>",
         {PT_LENS_STOP}},
        {Move("<PanTilt x=\"0\" y=\"0\"/>"), {PT_STOP}},
    };
    for (const Case& c : cases) {
        const size_t before = bank_->Frames(0).size();
        ASSERT_EQ(Signed(c.body).status, 200) << c.body;
        const auto frames = bank_->Frames(0);
        ASSERT_EQ(frames.size() - before, c.codes.size()) << c.body;
        for (size_t k = 0; k < c.codes.size(); ++k)
            EXPECT_EQ(Hex(frames[before + k]), Hex(Expected({}, {c.codes[k]}))) << c.body;
    }
}

TEST_F(ServiceTest, MovesEndAtTheirTimeoutOrTheDefault) {
    using namespace std::chrono;
    struct Case {
        const char* timeout;
        double seconds;
    };
    const Case cases[] = {{"<Timeout>PT0.3S</Timeout>", 0.3}, {"", 1.0}, {"<Timeout>PT1H</Timeout>", 1.0}};
    for (const Case& c : cases) {
        const auto start = steady_clock::now();
        ASSERT_EQ(Signed(Move(kRight, c.timeout)).status, 200);
        bool pt = true, zoom = true;
        while (pt && steady_clock::now() - start < seconds(5)) {
            std::this_thread::sleep_for(milliseconds(10));
            bank_->Moving(0, pt, zoom);
        }
        const double took = duration<double>(steady_clock::now() - start).count();
        EXPECT_FALSE(pt) << c.timeout;
        EXPECT_GE(took, c.seconds - 0.05) << c.timeout;
        EXPECT_LT(took, c.seconds + 1.5) << c.timeout;
        // Pelco-D's stop keeps the speed bytes of the move before it.
        EXPECT_EQ(Hex(Last()), Hex(Expected({{0, 63}}, {PT_RIGHT, PT_STOP}))) << c.timeout;
    }
    EXPECT_EQ(Signed(Move(kRight, "<Timeout>soon</Timeout>")).status, 400);
}

TEST_F(ServiceTest, PresetNamesSurviveARestart) {
    auto op = [this](const char* name, const std::string& inner) {
        return Signed(std::string("<") + name + " xmlns=\"http://www.onvif.org/ver20/ptz/wsdl\"><ProfileToken>" + inner +
                      "</" + name + ">");
    };
    HttpReply r = op("SetPreset", "gate</ProfileToken><PresetName>Door</PresetName>");
    ASSERT_EQ(r.status, 200) << r.body;
    EXPECT_NE(r.body.find("<tptz:PresetToken>2</tptz:PresetToken>"), std::string::npos);
    EXPECT_EQ(Hex(Last()), Hex(Expected({}, {PT_PRESET_SET}, 2)));

    EXPECT_NE(op("SetPreset", "gate</ProfileToken><PresetName>Door</PresetName>").body.find("ter:PresetExist"),
              std::string::npos);
    EXPECT_NE(op("GotoPreset", "gate</ProfileToken><PresetToken>9</PresetToken>").body.find("ter:NoToken"),
              std::string::npos);
    EXPECT_NE(op("SetPreset", "yard</ProfileToken><PresetName>X</PresetName>").body.find("ter:ActionNotSupported"),
              std::string::npos) << "Lilin has no presets";
    Stop();
    Start();
    r = op("GetPresets", "gate</ProfileToken>");
    EXPECT_NE(r.body.find("token=\"1\"><tt:Name>Home"), std::string::npos) << r.body;
    EXPECT_NE(r.body.find("token=\"2\"><tt:Name>Door"), std::string::npos) << r.body;
    EXPECT_EQ(op("RemovePreset", "gate</ProfileToken><PresetToken>2</PresetToken>").status, 200);
    Stop();
    Start();
    r = op("GetPresets", "gate</ProfileToken>");
    EXPECT_EQ(r.body.find("Door"), std::string::npos) << r.body;
    EXPECT_FALSE(std::ifstream(config_.stateFile + ".tmp").good()) << "no temporary file left behind";
}

TEST_F(ServiceTest, ACameraOnItsOwnPortShowsOnlyItself) {
    HttpReply r = Signed("<GetProfiles xmlns=\"http://www.onvif.org/ver10/media/wsdl\"/>", 1);
    EXPECT_EQ(r.body.find("token=\"gate\""), std::string::npos);
    EXPECT_NE(r.body.find("token=\"yard\""), std::string::npos);
    r = Signed(Move(kRight), 1);
    EXPECT_NE(r.body.find("ter:NoProfile"), std::string::npos);
    EXPECT_TRUE(bank_->Frames(0).empty());
}
