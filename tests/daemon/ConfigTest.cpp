// Bad configurations: one message naming the file, the line and the field.
#include <gtest/gtest.h>

#include <trevalo.h>

#include "Config.h"

using namespace trevalod;

namespace {

const char* kGood = R"(listen: {address: 127.0.0.1, port: 8080}
lines:
  - {name: a, device: /dev/ttyUSB0, baud: 4800, parity: e}
cameras:
  - {name: Gate, protocol: pelco d, address: 1, line: a, presets: {1: Home}}
  - {name: Yard, protocol: "4", address: 2, line: a, port: 8081, rtsp: "rtsp://x/1"}
users:
  - {name: admin, password: secret-pass}
)";

struct Init {
    Init() { SetPTInit(); }
    ~Init() { SetPTUnInit(); }
};

}  // namespace

TEST(Config, GoodFileParsed) {
    Init init;
    Config c;
    std::string error;
    ASSERT_TRUE(ParseConfig(kGood, "good.yaml", c, error)) << error;
    ASSERT_EQ(c.cameras.size(), 2u);
    EXPECT_EQ(c.cameras[0].protocol, 6);  // Pelco-D, punctuation and case ignored
    EXPECT_EQ(c.cameras[1].protocol, 4);
    EXPECT_EQ(c.cameras[0].token, "cam1");
    EXPECT_EQ(c.cameras[0].presets.at(1), "Home");
    EXPECT_EQ(c.lines[0].parity, 'E');
    EXPECT_EQ(c.lines[0].baud, 4800);
    EXPECT_EQ(c.cameras[1].port, 8081);
}

TEST(Config, EachFaultNamesFileLineAndField) {
    Init init;
    struct Case {
        std::string from, to;  // one edit of the good file
        std::string message;   // what the error must say, file name included
    };
    const Case cases[] = {
        {"protocol: pelco d", "protocol: pelco-x", "bad.yaml:5: cameras[0].protocol: unknown protocol \"pelco-x\""},
        {"address: 2", "address: 256", "bad.yaml:6: cameras[1].address: must be 0 to 255, not 256"},
        {"address: 2", "address: two", "bad.yaml:6: cameras[1].address: must be a whole number, not \"two\""},
        {"address: 2", "address: 1", "bad.yaml:6: cameras[1].address: another camera has address 1 on line \"a\""},
        {"line: a, port", "line: b, port", "bad.yaml:6: cameras[1].line: no line named \"b\""},
        {"parity: e", "parity: x", "bad.yaml:3: lines[0].parity: must be one of N, O, E, M, S, not \"x\""},
        {"baud: 4800", "baud: 4800, speed: 2", "bad.yaml:3: lines[0].speed: unknown field"},
        {"password: secret-pass", "password: short", "bad.yaml:8: users[0].password: at least 8 characters"},
        {"port: 8081", "port: 8080", "bad.yaml:6: cameras[1].port: port 8080 is already in use here"},
        {"rtsp: \"rtsp://x/1\"", "rtsp: \"http://x/1\"", "bad.yaml:6: cameras[1].rtsp: must start with rtsp://"},
        {"{1: Home}", "{0: Home}", "bad.yaml:5: cameras[0].presets.0: preset numbers are 1 to 255"},
        {"name: Yard", "name: Gate", "bad.yaml:6: cameras[1].name: repeats \"Gate\""},
        {"users:\n  - {name: admin, password: secret-pass}\n", "", "bad.yaml:1: users: missing"},
        {"port: 8080}", "port: 8080", "bad.yaml:"},  // a YAML syntax error still names the file
    };
    for (const Case& c : cases) {
        std::string text = kGood;
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, c.from.size(), c.to);
        Config out;
        out.port = 1;
        std::string error;
        EXPECT_FALSE(ParseConfig(text, "bad.yaml", out, error)) << c.to;
        EXPECT_EQ(error.substr(0, c.message.size()), c.message) << "for " << c.to << ": " << error;
        EXPECT_EQ(out.port, 1) << "nothing taken from a bad file";
    }
}

TEST(Config, MissingFileNamed) {
    Config c;
    std::string error;
    EXPECT_FALSE(LoadConfig("/nonexistent/trevalod.yaml", c, error));
    EXPECT_EQ(error, "/nonexistent/trevalod.yaml:0: (file): cannot be read");
}
