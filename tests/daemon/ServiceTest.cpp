// The SOAP handler over cameras in capture mode: what each request answers
// and which frames it yields, checked against the library's own capture
// calls on a channel of the test's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include <trevalo.h>

#include "DaemonSupport.h"
#include "Service.h"

using namespace trevalod;
using namespace daemontest;

namespace {

const std::string kRight = "<PanTilt x=\"1\" y=\"0\"/>";

std::string Hex(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) out += "0123456789ABCDEF"[c >> 4] + std::string(1, "0123456789ABCDEF"[c & 15]) + " ";
    return out;
}

std::string Ptz(const char* op, const std::string& inner) {
    return std::string("<") + op + " xmlns=\"http://www.onvif.org/ver20/ptz/wsdl\"><ProfileToken>" + inner + "</" + op + ">";
}

class ServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetPTInit();
        config_.stateFile = ::testing::TempDir() + "trevalod-state-" + std::to_string(getpid()) + ".yaml";
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
        std::remove(config_.stateFile.c_str());
    }
    void Start() {
        Stop();
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
    HttpReply Raw(const std::string& text, int scope = -1) {
        return service_->Handle({"/onvif/ptz_service", "127.0.0.1:8080", text.data(), text.size(), scope});
    }
    HttpReply Signed(const std::string& body, int scope = -1) {
        const std::string nonce = "nonce-" + std::to_string(++nonce_) + "-abcdefgh";
        return Raw(Envelope(Token("admin", "secret-pass", nonce, time(nullptr)), body), scope);
    }
    // The frame the library captures for the last of CODES on a fresh Pelco-D
    // channel brought to the state the daemon keeps: every speed at its
    // slowest step, then STEPS up.
    std::string Expected(const std::vector<std::pair<int, int>>& steps, const std::vector<int>& codes) {
        unsigned char buf[TREVALO_CAPTURE_MAX];
        int len = 0;
        PtPortHandle* h = SetPtOpen_NET(6, 200, 1, buf, &len);
        for (int k = 0; k < 900; ++k) SetPtSpeedCtrl(h, 200, k % 3, 0);
        for (const auto& s : steps)
            for (int k = 0; k < s.second; ++k) SetPtSpeedCtrl(h, 200, s.first, 1);
        for (int code : codes) SetPtCmd_NET(h, 200, code, buf, &(len = 0));
        const std::string out(reinterpret_cast<char*>(buf), static_cast<size_t>(len > 0 ? len : 0));
        SetPtClose_NET(h, 200, buf, &len);
        return Hex(out);
    }
    std::string Last() {
        const auto frames = bank_->Frames(0);
        return Hex(frames.empty() ? std::string() : frames.back());
    }

    Config config_;
    std::unique_ptr<CameraBank> bank_;
    std::unique_ptr<Authenticator> auth_;
    std::unique_ptr<Service> service_;
    int nonce_ = 0;
};

}  // namespace

TEST_F(ServiceTest, BadRequestsGetFaultsAndANonceServesOnce) {
    struct Case { const char* what; std::string text; int status; const char* says; };
    const std::string move = Move(kRight), clock = "<GetSystemDateAndTime xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/>";
    auto signedBy = [](const char* password, const char* nonce, const std::string& body) {
        return Envelope(Token("admin", password, nonce, time(nullptr)), body);
    };
    const std::string nodes = signedBy("secret-pass", "nonce-replay-001", "<GetNodes xmlns=\"http://www.onvif.org/ver20/ptz/wsdl\"/>");
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
        {"wrong password", signedBy("secret-pasX", "nonce-wrong-0001", move), 400, "ter:NotAuthorized"},
        {"unknown action", signedBy("secret-pass", "nonce-unk-000001", "<Reboot xmlns=\"http://www.onvif.org/ver10/device/wsdl\"/>"),
         500, "ter:ActionNotSupported"},
        {"unknown service", signedBy("secret-pass", "nonce-unk-000002",
                                     "<GetImagingSettings xmlns=\"http://www.onvif.org/ver20/imaging/wsdl\"/>"),
         500, "ter:ActionNotSupported"},
        {"the open operation, unsigned", Envelope("", clock), 200, "GetSystemDateAndTimeResponse"},
        {"a signed query", nodes, 200, "GetNodesResponse"},
        {"the same nonce again", nodes, 400, "ter:NotAuthorized"},
    };
    for (const Case& c : cases) {
        const HttpReply r = Raw(c.text);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_NE(r.body.find(c.says), std::string::npos) << c.what << ": " << r.body;
        EXPECT_EQ(r.body.find("<env:Fault>") != std::string::npos, c.status != 200) << c.what;
    }
    EXPECT_EQ(Raw(nodes).detail, "nonce already used");
    // Gate is not on Yard's own port (its profiles there are the ONVIF client test's).
    EXPECT_NE(Signed(move, 1).body.find("ter:NoProfile"), std::string::npos);
    EXPECT_TRUE(bank_->Frames(0).empty()) << "no request above may reach the line";
}

TEST_F(ServiceTest, MovesAndStopsGiveTheCaptureFrames) {
    // Pelco-D pan and tilt speeds run 0 to 0x3F (64 steps), zoom 0 to 3.
    struct Case { std::string body; std::vector<std::pair<int, int>> steps; std::vector<int> codes; };  // (axis, steps up)
    const Case cases[] = {
        {Move("<PanTilt x=\"1\" y=\"0\"/>"), {{0, 63}}, {PT_RIGHT}},
        {Move("<PanTilt x=\"-1\" y=\"1\"/>"), {{0, 63}, {1, 63}}, {PT_UP_LEFT}},
        {Move("<PanTilt x=\"0.5\" y=\"-0.25\"/>"), {{0, 32}, {1, 16}}, {PT_DOWN_RIGHT}},
        {Move("<PanTilt x=\"0\" y=\"-1\"/>"), {{1, 63}}, {PT_DOWN}},
        {Move("<PanTilt x=\"0.0001\" y=\"0.7\"/>"), {{1, 44}}, {PT_UP}},
        {Move("<Zoom x=\"1\"/>"), {{2, 3}}, {PT_ZOOM_TELE}},
        {Move("<Zoom x=\"-0.34\"/>"), {{2, 1}}, {PT_ZOOM_WIDE}},
        {Move("<PanTilt x=\"5\" y=\"0\"/><Zoom x=\"1\"/>"), {{0, 63}}, {PT_RIGHT}},  // clamped; pan/tilt wins
        {Move("<PanTilt x=\"0\" y=\"0\"/>"), {}, {PT_STOP}},
        {Ptz("Stop", "gate</ProfileToken>"), {}, {PT_STOP, PT_LENS_STOP}},
        {Ptz("Stop", "gate</ProfileToken><PanTilt>true</PanTilt><Zoom>false</Zoom>"), {}, {PT_STOP}},
        {Ptz("Stop", "gate</ProfileToken><PanTilt>false</PanTilt>"), {}, {PT_LENS_STOP}},
    };
    for (const Case& c : cases) {
        Start();
        ASSERT_EQ(Signed(c.body).status, 200) << c.body;
        // Speed steps may send frames of their own before a move's; a stop steps nothing.
        const auto frames = bank_->Frames(0);
        ASSERT_GE(frames.size(), c.codes.size()) << c.body;
        EXPECT_TRUE(!c.steps.empty() || frames.size() == c.codes.size()) << frames.size() << " frames for " << c.body;
        for (size_t k = 0, at = frames.size() - c.codes.size(); k < c.codes.size(); ++k)
            EXPECT_EQ(Hex(frames[at + k]), Expected(c.steps, {c.codes[k]})) << c.body;
    }
    EXPECT_EQ(bank_->SpeedLevels(0, 0), 64);
    EXPECT_EQ(bank_->SpeedLevels(1, 0), 1) << "Lilin frames carry no speed";
}

TEST_F(ServiceTest, MovesEndAtTheirTimeoutOrTheDefault) {
    using namespace std::chrono;
    for (const auto& c : {std::make_pair("<Timeout>PT0.3S</Timeout>", 0.3), {"", 1.0}, {"<Timeout>PT1H</Timeout>", 1.0}}) {
        const auto start = steady_clock::now();
        ASSERT_EQ(Signed(Move(kRight, c.first)).status, 200);
        bool pt = true, zoom = true;
        while (pt && steady_clock::now() - start < seconds(5)) {
            std::this_thread::sleep_for(milliseconds(10));
            bank_->Moving(0, pt, zoom);
        }
        const double took = duration<double>(steady_clock::now() - start).count();
        EXPECT_FALSE(pt) << c.first;
        EXPECT_GE(took, c.second - 0.05) << c.first;
        EXPECT_LT(took, c.second + 1.5) << c.first;
        // Pelco-D's stop keeps the speed bytes of the move before it.
        EXPECT_EQ(Last(), Expected({{0, 63}}, {PT_RIGHT, PT_STOP})) << c.first;
    }
    EXPECT_EQ(Signed(Move(kRight, "<Timeout>soon</Timeout>")).status, 400);
}

TEST_F(ServiceTest, PresetNamesSurviveARestart) {
    auto has = [this](const char* op, const std::string& inner, const std::string& part) {
        const HttpReply r = Signed(Ptz(op, inner));
        return r.body.find(part) != std::string::npos ? ::testing::AssertionSuccess()
                                                       : ::testing::AssertionFailure() << op << " " << inner << ": " << r.body;
    };
    // The first set's number and frame, and Lilin's refusal, are the ONVIF client test's.
    ASSERT_TRUE(has("SetPreset", "gate</ProfileToken><PresetName>Door</PresetName>", "<tptz:PresetToken>2</tptz:PresetToken>"));
    EXPECT_TRUE(has("SetPreset", "gate</ProfileToken><PresetName>Door</PresetName>", "ter:PresetExist"));
    EXPECT_TRUE(has("GotoPreset", "gate</ProfileToken><PresetToken>9</PresetToken>", "ter:NoToken"));
    Start();
    EXPECT_TRUE(has("GetPresets", "gate</ProfileToken>", "token=\"1\"><tt:Name>Home"));
    EXPECT_TRUE(has("GetPresets", "gate</ProfileToken>", "token=\"2\"><tt:Name>Door"));
    EXPECT_TRUE(has("RemovePreset", "gate</ProfileToken><PresetToken>2</PresetToken>", "RemovePresetResponse"));
    Start();
    EXPECT_FALSE(has("GetPresets", "gate</ProfileToken>", "Door"));
    EXPECT_TRUE(has("GetPresets", "gate</ProfileToken>", "GetPresetsResponse"));
    EXPECT_FALSE(std::ifstream(config_.stateFile + ".tmp").good()) << "no temporary file left behind";
}
