// Replays the capture rows that the Linux suite checked (written there by
// CheckVectors when TREVALO_VECTOR_FILE is set) against the real DLL.
//
// File format, tab-separated, one record a line:
//   row  <test> <name> <index> <address> <setup ops> <op> <expected capture>
//   file config|windows <file name> <hex bytes>
// An op is "act:a:b"; setup ops are separated by spaces. The expected text
// is upper-case hex, "" for a length of 0, "-" for a length left unwritten.
// The file lines after a row are the library's files just before that row.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/windows/HostSupport.h"

namespace host {
namespace {

constexpr int kUnwritten = -12345;
constexpr uint8_t kFill = 0xEE;

struct Op {
    std::string act;
    int a = 0;
    int b = 0;
};

struct SavedFile {
    std::string dir;  // "config" or "windows"
    std::string name;
    std::vector<uint8_t> bytes;
};

struct Row {
    std::string test, name;
    int index = 0, address = 0;
    std::vector<Op> setup;
    Op op;
    std::string expect;
    std::vector<SavedFile> files;
};

std::vector<std::string> Split(const std::string& line, char sep) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t at = line.find(sep, start);
        out.push_back(line.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return out;
        start = at + 1;
    }
}

bool ParseOp(const std::string& text, Op& op) {
    const std::vector<std::string> f = Split(text, ':');
    if (f.size() != 3) return false;
    op.act = f[0];
    op.a = std::atoi(f[1].c_str());
    op.b = std::atoi(f[2].c_str());
    return true;
}

bool ReadRows(const char* path, std::vector<Row>& rows) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::printf("cannot read %s\n", path);
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::vector<std::string> f = Split(line, '\t');
        bool ok = false;
        if (f[0] == "row" && f.size() == 8) {
            Row r;
            r.test = f[1];
            r.name = f[2];
            r.index = std::atoi(f[3].c_str());
            r.address = std::atoi(f[4].c_str());
            ok = ParseOp(f[6], r.op);
            std::istringstream setup(f[5]);
            for (std::string s; ok && setup >> s;) {
                Op op;
                ok = ParseOp(s, op);
                r.setup.push_back(op);
            }
            r.expect = f[7];
            rows.push_back(r);
        } else if (f[0] == "file" && f.size() == 4 && !rows.empty() &&
                   (f[1] == "config" || f[1] == "windows")) {
            rows.back().files.push_back({f[1], f[2], FromHex(f[3])});
            ok = true;
        }
        if (!ok) {
            std::printf("%s:%d: cannot read this line\n", path, number);
            return false;
        }
    }
    return true;
}

std::string CaptureText(int len, const uint8_t* buf) {
    if (len == kUnwritten) return "-";
    if (len < 0 || len > TREVALO_CAPTURE_MAX) return "bad length " + std::to_string(len);
    return ToHex(buf, static_cast<size_t>(len));
}

// The suite's capture channel, through the DLL's exports: channel 0, a
// fresh protocol object, the buffer pre-filled so stray bytes show.
class Channel {
public:
    Channel(Dll& dll, int index, int address) : m_dll(dll) {
        m_dll.SetPTInit();
        uint8_t buf[TREVALO_CAPTURE_MAX];
        std::memset(buf, kFill, sizeof buf);
        int len = kUnwritten;
        m_h = m_dll.SetPtOpen_NET(index, 0, address, buf, &len);
        m_open = CaptureText(len, buf);
    }
    ~Channel() {
        if (!m_h) return;
        uint8_t buf[TREVALO_CAPTURE_MAX];
        int len = kUnwritten;
        m_dll.SetPtClose_NET(m_h, 0, buf, &len);
    }
    bool ok() const { return m_h != nullptr; }

    std::string Run(const Op& op) {
        uint8_t buf[TREVALO_CAPTURE_MAX];
        std::memset(buf, kFill, sizeof buf);
        int len = kUnwritten;
        const std::string& a = op.act;
        if (a == "cmd") m_dll.SetPtCmd_NET(m_h, 0, op.a, buf, &len);
        else if (a == "power") m_dll.SetPtCameraPower_NET(m_h, 0, op.a, buf, &len);
        else if (a == "lamp") m_dll.SetPtLampPower_NET(m_h, 0, op.a, buf, &len);
        else if (a == "aux") m_dll.SetPtAuxPower_NET(m_h, 0, op.a, buf, &len);
        else if (a == "autopan") m_dll.SetPtAutoPan_NET(m_h, 0, op.a, buf, &len);
        else if (a == "autoscan") m_dll.SetPtAutoScan_NET(m_h, 0, op.a, buf, &len);
        else if (a == "speed") m_dll.SetPtSpeedCtrl_NET(m_h, 0, op.a, op.b, buf, &len);
        else if (a == "preset") m_dll.SetPtPresetNo_NET(0, op.a);
        else if (a == "scan") m_dll.SetPtAutoScanNo_NET(0, op.a);
        else if (a == "attach") return m_open;  // the attach ran at open
        else if (a == "detach") {
            if (m_h) m_dll.SetPtClose_NET(m_h, 0, buf, &len);
            m_h = nullptr;
        } else {
            return "unknown op " + a;
        }
        return CaptureText(len, buf);
    }

private:
    Dll& m_dll;
    PtPortHandle* m_h = nullptr;
    std::string m_open;
};

// Puts the library's files back as they were before the row on Linux.
// Anything the previous row left is removed first; the library itself only
// ever creates the speed file and the Dyna log.
class FileState {
public:
    void Restore(const std::vector<SavedFile>& files) {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA("config\\*", &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileA((std::string("config\\") + found.cFileName).c_str());
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        m_windows.push_back("DynaPT.log");
        m_windows.push_back("PTINI.INI");
        for (const std::string& name : m_windows) DeleteFileA((WindowsDir() + "\\" + name).c_str());
        m_windows.clear();
        for (const SavedFile& f : files) {
            const bool inWindows = f.dir == "windows";
            const std::string path = (inWindows ? WindowsDir() : std::string("config")) + "\\" + f.name;
            Results().Check(WriteWholeFile(path, f.bytes), "cannot write %s", path.c_str());
            if (inWindows) m_windows.push_back(f.name);
        }
    }

private:
    std::vector<std::string> m_windows;
};

}  // namespace

int VectorsMain(const char* dllPath, const char* file) {
    std::vector<Row> rows;
    if (!ReadRows(file, rows)) return 3;
    if (rows.empty()) {
        std::printf("%s holds no rows\n", file);
        return 3;
    }
    Dll dll;
    if (!dll.Load(dllPath)) return 3;

    FileState files;
    int replayed = 0;
    for (const Row& r : rows) {
        files.Restore(r.files);
        Channel ch(dll, r.index, r.address);
        if (!ch.ok()) {
            Results().Check(false, "%s [%s]: index %d does not open", r.test.c_str(), r.name.c_str(), r.index);
            continue;
        }
        for (const Op& s : r.setup) ch.Run(s);
        const std::string got = ch.Run(r.op);
        Results().Check(got == r.expect, "%s [%s]: expected \"%s\", got \"%s\"", r.test.c_str(),
                        r.name.c_str(), r.expect.c_str(), got.c_str());
        ++replayed;
    }
    files.Restore({});
    std::printf("replayed %d capture rows\n", replayed);
    dll.SetPTUnInit();
    dll.Unload();
    return 0;
}

}  // namespace host
