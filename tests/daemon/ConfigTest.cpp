// Bad configurations: one message naming the file, the line and the field.
#include <gtest/gtest.h>

#include <trevalo.h>

#include "Config.h"

using namespace trevalod;

static const char* kGood = R"(listen: {address: 127.0.0.1, port: 8080}
lines: [{name: a, device: /dev/ttyUSB0, baud: 4800, parity: e}]
cameras:
  - {name: Gate, protocol: pelco d, address: 1, line: a, presets: {1: Home}}
  - {name: Yard, protocol: "4", address: 2, line: a, port: 8081, rtsp: "rtsp://x/1"}
users: [{name: admin, password: secret-pass}]
)";

// Protocol names are looked up in the library.
struct Init { Init() { SetPTInit(); } ~Init() { SetPTUnInit(); } };

TEST(Config, GoodFileParsed) {
    Init init;
    Config c;
    std::string error;
    ASSERT_TRUE(ParseConfig(kGood, "good.yaml", c, error)) << error;
    // Pelco-D by name, punctuation and case ignored; Lilin by number.
    EXPECT_EQ(std::tie(c.cameras.at(0).protocol, c.cameras.at(1).protocol, c.cameras[0].token, c.cameras[1].port),
              std::make_tuple(6, 4, std::string("cam1"), 8081));
    EXPECT_EQ(std::tie(c.cameras[0].presets[1], c.lines.at(0).parity, c.lines[0].baud),
              std::make_tuple(std::string("Home"), 'E', 4800));
}

TEST(Config, EachFaultNamesFileLineAndField) {
    Init init;
    struct Case { std::string from, to, message; };  // one edit of the good file, and the error's start
    const Case cases[] = {
        {"protocol: pelco d", "protocol: pelco-x", "bad.yaml:4: cameras[0].protocol: unknown protocol \"pelco-x\""},
        {"address: 2", "address: 256", "bad.yaml:5: cameras[1].address: must be 0 to 255, not 256"},
        {"address: 2", "address: two", "bad.yaml:5: cameras[1].address: must be a whole number, not \"two\""},
        {"address: 2", "address: 1", "bad.yaml:5: cameras[1].address: another camera has address 1 on line \"a\""},
        {"line: a, port", "line: b, port", "bad.yaml:5: cameras[1].line: no line named \"b\""},
        {"parity: e", "parity: x", "bad.yaml:2: lines[0].parity: must be one of N, O, E, M, S, not \"x\""},
        {"baud: 4800", "baud: 4800, speed: 2", "bad.yaml:2: lines[0].speed: unknown field"},
        {"password: secret-pass", "password: short", "bad.yaml:6: users[0].password: at least 8 characters"},
        {"port: 8081", "port: 8080", "bad.yaml:5: cameras[1].port: port 8080 is already in use here"},
        {"rtsp: \"rtsp://x/1\"", "rtsp: \"http://x/1\"", "bad.yaml:5: cameras[1].rtsp: must start with rtsp://"},
        {"{1: Home}", "{0: Home}", "bad.yaml:4: cameras[0].presets.0: preset numbers are 1 to 255"},
        {"name: Yard", "name: Gate", "bad.yaml:5: cameras[1].name: repeats \"Gate\""},
        {"users: [{name: admin, password: secret-pass}]\n", "", "bad.yaml:1: users: missing"},
        {"port: 8080}", "port: 8080", "bad.yaml:"},  // a YAML syntax error still names the file
    };
    for (const Case& c : cases) {
        std::string text = kGood, error;  // replace() throws, failing the test, where FROM is not found
        Config out;
        out.port = 1;
        EXPECT_FALSE(ParseConfig(text.replace(text.find(c.from), c.from.size(), c.to), "bad.yaml", out, error)) << c.to;
        EXPECT_EQ(error.substr(0, c.message.size()), c.message) << "for " << c.to << ": " << error;
        EXPECT_EQ(out.port, 1) << "nothing taken from a bad file";
    }
    Config c;
    std::string error;
    EXPECT_FALSE(LoadConfig("/nonexistent/trevalod.yaml", c, error));
    EXPECT_EQ(error, "/nonexistent/trevalod.yaml:0: (file): cannot be read");
}
