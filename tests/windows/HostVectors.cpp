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
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/windows/HostSupport.h"

namespace host {
namespace {

constexpr int kUnwritten = -12345;
constexpr uint8_t kFill = 0xEE;

struct Op { std::string act; int a = 0, b = 0; };
struct SavedFile { std::string dir, name; std::vector<uint8_t> bytes; };  // dir: "config" or "windows"
struct Row {
    std::string test, name;
    int index = 0, address = 0;
    std::vector<Op> setup;
    Op op;
    std::string expect;
    std::vector<SavedFile> files;
};

std::vector<std::string> Split(const std::string& line, char sep) {
    std::vector<std::string> out(1);
    for (char c : line) {
        if (c == sep) out.emplace_back();
        else out.back() += c;
    }
    return out;
}

bool ParseOp(const std::string& text, Op& op) {
    char act[32];
    if (std::sscanf(text.c_str(), "%31[a-z]:%d:%d", act, &op.a, &op.b) != 3) return false;
    op.act = act;
    return true;
}

bool ReadRows(const char* path, std::vector<Row>& rows) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> f = Split(line, '\t');
        bool ok = line.empty();
        if (f[0] == "row" && f.size() == 8) {
            rows.emplace_back();
            Row& r = rows.back();
            r.test = f[1];
            r.name = f[2];
            r.index = std::atoi(f[3].c_str());
            r.address = std::atoi(f[4].c_str());
            r.expect = f[7];
            ok = ParseOp(f[6], r.op);
            std::istringstream setup(f[5]);
            for (std::string s; ok && setup >> s;) {
                rows.back().setup.emplace_back();
                ok = ParseOp(s, rows.back().setup.back());
            }
        } else if (f[0] == "file" && f.size() == 4 && !rows.empty() && (f[1] == "config" || f[1] == "windows")) {
            std::vector<uint8_t> bytes;
            std::istringstream hex(f[3]);
            for (unsigned b; hex >> std::hex >> b;) bytes.push_back(static_cast<uint8_t>(b));
            rows.back().files.push_back({f[1], f[2], bytes});
            ok = true;
        }
        if (!ok) {
            std::printf("%s:%d: cannot read this line\n", path, number);
            return false;
        }
    }
    if (rows.empty()) std::printf("%s holds no rows, or cannot be read\n", path);
    return !rows.empty();
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
        m_h = m_dll.SetPtOpen_NET(index, 0, address, Fill(), &m_len);
        m_open = CaptureText(m_len, m_buf);
    }
    ~Channel() {
        Fill();
        Detach();
    }
    bool ok() const { return m_h != nullptr; }

    std::string Run(const Op& op) {
        const std::string& a = op.act;
        uint8_t* buf = Fill();
        int* len = &m_len;
        if (a == "cmd") m_dll.SetPtCmd_NET(m_h, 0, op.a, buf, len);
        else if (a == "power") m_dll.SetPtCameraPower_NET(m_h, 0, op.a, buf, len);
        else if (a == "lamp") m_dll.SetPtLampPower_NET(m_h, 0, op.a, buf, len);
        else if (a == "aux") m_dll.SetPtAuxPower_NET(m_h, 0, op.a, buf, len);
        else if (a == "autopan") m_dll.SetPtAutoPan_NET(m_h, 0, op.a, buf, len);
        else if (a == "autoscan") m_dll.SetPtAutoScan_NET(m_h, 0, op.a, buf, len);
        else if (a == "speed") m_dll.SetPtSpeedCtrl_NET(m_h, 0, op.a, op.b, buf, len);
        else if (a == "preset") m_dll.SetPtPresetNo_NET(0, op.a);
        else if (a == "scan") m_dll.SetPtAutoScanNo_NET(0, op.a);
        else if (a == "attach") return m_open;  // the attach ran at open
        else if (a == "detach") Detach();
        else return "unknown op " + a;
        return CaptureText(m_len, m_buf);
    }

private:
    void Detach() {
        if (m_h) m_dll.SetPtClose_NET(m_h, 0, m_buf, &m_len);
        m_h = nullptr;
    }
    uint8_t* Fill() {
        std::memset(m_buf, kFill, sizeof m_buf);
        m_len = kUnwritten;
        return m_buf;
    }
    Dll& m_dll;
    PtPortHandle* m_h = nullptr;
    uint8_t m_buf[TREVALO_CAPTURE_MAX];
    int m_len = kUnwritten;
    std::string m_open;
};

std::string WindowsDir() {
    char buf[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(buf, sizeof buf);
    return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string("C:\\windows");
}

// Puts the library's files back as they were before the row on Linux.
// Anything the previous row left is removed first: every file in config\,
// and the two records the library keeps in the Windows directory.
void Restore(const std::vector<SavedFile>& files) {
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA("config\\*", &found);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA(("config\\" + std::string(found.cFileName)).c_str());
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    for (const char* name : {"DynaPT.log", "PTINI.INI"}) DeleteFileA((WindowsDir() + "\\" + name).c_str());
    for (const SavedFile& f : files) {
        const std::string path = (f.dir == "windows" ? WindowsDir() : std::string("config")) + "\\" + f.name;
        const HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD put = 0;
        const bool ok = h != INVALID_HANDLE_VALUE &&
                        (f.bytes.empty() || WriteFile(h, f.bytes.data(), static_cast<DWORD>(f.bytes.size()), &put, nullptr));
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        Results().Check(ok && put == f.bytes.size(), "cannot write %s", path.c_str());
    }
}

}  // namespace

int VectorsMain(const char* dllPath, const char* file) {
    std::vector<Row> rows;
    Dll dll;
    if (!ReadRows(file, rows) || !dll.Load(dllPath)) return 3;
    for (const Row& r : rows) {
        Restore(r.files);
        Channel ch(dll, r.index, r.address);
        if (!ch.ok()) {
            Results().Check(false, "%s [%s]: index %d does not open", r.test.c_str(), r.name.c_str(), r.index);
            continue;
        }
        for (const Op& s : r.setup) ch.Run(s);
        const std::string got = ch.Run(r.op);
        Results().Check(got == r.expect, "%s [%s]: expected \"%s\", got \"%s\"", r.test.c_str(), r.name.c_str(),
                        r.expect.c_str(), got.c_str());
    }
    Restore({});
    std::printf("replayed %d capture rows\n", static_cast<int>(rows.size()));
    dll.SetPTUnInit();
    dll.Unload();
    return 0;
}

}  // namespace host
