#include "interface/CPtManager.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>

#include "interface/PtRegistry.h"
#include "protocol/CPtProtocol.h"
#include "transport/CComPort.h"

int32_t g_nLastOpenedPort = -1;

namespace {

bool ValidChannel(int channel) { return channel >= 0 && channel < CPtManager::kChannels; }

// Win32 parity codes: none, odd, even, mark, space.
int ParityCode(int letter) {
    switch (std::toupper(static_cast<unsigned char>(letter))) {
        case 'O': return 1;
        case 'E': return 2;
        case 'M': return 3;
        case 'S': return 4;
        default: return 0;
    }
}

int StopBitsCode(int stopBits) { return stopBits == 2 ? 2 : 0; }

}  // namespace

CPtManager::CPtManager() {
    for (auto& entry : m_table) entry = nullptr;
    for (auto& owner : m_owner) owner = nullptr;
}

CPtManager::~CPtManager() = default;

CPtProtocol* CPtManager::At(int channel) const {
    return ValidChannel(channel) ? m_table[channel] : nullptr;
}

// The channel is checked before the handle is touched: a handle closed
// with its channel is dead memory, and only the empty entry says so.
CPtProtocol* CPtManager::GuardA(PtPortHandle* h, int channel) const {
    CPtProtocol* p = At(channel);
    if (!p || g_nLastOpenedPort < 1 || !h || !h->port || !h->port->IsOpen()) return nullptr;
    return p;
}

CPtProtocol* CPtManager::GuardB(PtPortHandle* h, int channel) const {
    return h ? At(channel) : nullptr;
}

PtPortHandle* CPtManager::NewHandle(int index, int address) {
    auto* h = static_cast<PtPortHandle*>(std::malloc(sizeof(PtPortHandle)));
    if (!h) return nullptr;
    h->port = new (std::nothrow) CComPort();
    if (!h->port) {
        std::free(h);
        return nullptr;
    }
    h->protocolIndex = index;
    h->address = static_cast<signed char>(address & 0xFF);
    return h;
}

void CPtManager::FreeHandle(PtPortHandle* h) {
    delete h->port;
    std::free(h);
}

// Reopening a channel that is still open replaces its protocol object; the
// old one is destroyed rather than leaked and the earlier handle becomes an
// orphan for the host to close. A failed creation leaves the entry as it was.
bool CPtManager::Install(int index, int channel) {
    CPtProtocol* created = ptregistry::Create(index);
    if (created) {
        Disown(channel);
        delete m_table[channel];
        m_table[channel] = created;
    }
    return m_table[channel] != nullptr && created != nullptr;
}

void CPtManager::Destroy(int channel) {
    delete m_table[channel];
    m_table[channel] = nullptr;
}

void CPtManager::Disown(int channel) {
    std::lock_guard<std::mutex> guard(m_ownerLock);
    if (m_owner[channel]) m_orphans.push_back(m_owner[channel]);
    m_owner[channel] = nullptr;
}

void CPtManager::SetOpenError(int channel, std::string why) {
    std::lock_guard<std::mutex> guard(m_errorLock);
    m_openError[channel] = std::move(why);
}

std::string CPtManager::OpenError(int channel) const {
    if (!ValidChannel(channel)) return std::string();
    std::lock_guard<std::mutex> guard(m_errorLock);
    return m_openError[channel];
}

void CPtManager::SetOwner(int channel, PtPortHandle* h) {
    std::lock_guard<std::mutex> guard(m_ownerLock);
    m_owner[channel] = h;
}

// An orphan's close releases the handle and its port alone: its object is
// gone, and the channel now belongs to someone else.
bool CPtManager::ReleaseOrphan(PtPortHandle* h, bool serial) {
    {
        std::lock_guard<std::mutex> guard(m_ownerLock);
        auto it = std::find(m_orphans.begin(), m_orphans.end(), h);
        if (it == m_orphans.end()) return false;
        m_orphans.erase(it);
    }
    if (serial && g_nLastOpenedPort > 0 && h->port) h->port->Close();
    FreeHandle(h);
    return true;
}

PtPortHandle* CPtManager::Open(int index, int channel, int address, int comPort, int baudRate,
                               int parity, int dataBits, int stopBits) {
    if (!ValidChannel(channel)) return nullptr;
    if (comPort < 1) {
        SetOpenError(channel, "COM" + std::to_string(comPort) + ": no such port");
        return nullptr;
    }
    PtPortHandle* h = NewHandle(index, address);
    if (!h) return nullptr;
    if (!Install(index, channel)) {
        FreeHandle(h);
        SetOpenError(channel, "protocol index " + std::to_string(index) + ": no such protocol");
        return nullptr;
    }
    g_nLastOpenedPort = comPort;
    if (!h->port->Open(comPort, static_cast<uint32_t>(baudRate), dataBits, ParityCode(parity),
                       StopBitsCode(stopBits))) {
        // The protocol object stays in the table, as after any failed port open.
        SetOpenError(channel, h->port->OpenFailure());
        FreeHandle(h);
        return nullptr;
    }
    SetOpenError(channel, std::string());
    SetOwner(channel, h);
    CComPort::Turn turn(h->port);
    m_table[channel]->AttachPort(h);
    return h;
}

void CPtManager::Close(PtPortHandle* h, int channel) {
    if (!h || ReleaseOrphan(h, true)) return;
    CPtProtocol* p = At(channel);
    if (!p) return;
    {
        CComPort::Turn turn(h->port);
        p->DetachPort(h);
    }
    if (g_nLastOpenedPort > 0 && h->port) h->port->Close();
    Release(h, channel);
}

// The handle goes; the channel's object goes with it, whoever owned it.
void CPtManager::Release(PtPortHandle* h, int channel) {
    {
        std::lock_guard<std::mutex> guard(m_ownerLock);
        for (auto& owner : m_owner)
            if (owner == h) owner = nullptr;
    }
    FreeHandle(h);
    Disown(channel);
    Destroy(channel);
}

void CPtManager::Cmd(PtPortHandle* h, int channel, int code) {
    if (CPtProtocol* p = GuardA(h, channel)) {
        CComPort::Turn turn(h->port);
        p->SetCmd(h, code);
    }
}

void CPtManager::CameraPower(PtPortHandle* h, int channel, int on) {
    if (CPtProtocol* p = GuardA(h, channel)) {
        CComPort::Turn turn(h->port);
        p->SetCameraPower(h, on);
    }
}

void CPtManager::LampPower(PtPortHandle* h, int channel, int on) {
    if (CPtProtocol* p = GuardA(h, channel)) {
        CComPort::Turn turn(h->port);
        p->SetLampPower(h, on);
    }
}

void CPtManager::AuxPower(PtPortHandle* h, int channel, int on) {
    if (CPtProtocol* p = GuardA(h, channel)) {
        CComPort::Turn turn(h->port);
        p->SetAuxPower(h, on);
    }
}

void CPtManager::AutoPan(PtPortHandle* h, int channel, int on) {
    if (CPtProtocol* p = GuardA(h, channel)) {
        CComPort::Turn turn(h->port);
        p->SetAutoPan(h, on);
    }
}

void CPtManager::PresetNo(int channel, int preset) {
    if (CPtProtocol* p = At(channel)) p->SetPresetNo(preset);
}

void CPtManager::AutoScanNo(int channel, int scan) {
    if (CPtProtocol* p = At(channel)) p->SetAutoScanNo(scan);
}

void CPtManager::AutoScan(PtPortHandle* h, int channel, int value) {
    if (CPtProtocol* p = GuardB(h, channel)) {
        CComPort::Turn turn(h->port);
        p->SetAutoScan(h, value);
    }
}

void CPtManager::SpeedCtrl(PtPortHandle* h, int channel, int axis, int increase) {
    if (CPtProtocol* p = GuardB(h, channel)) {
        CComPort::Turn turn(h->port);
        p->SetSpeedCtrl(h, axis, increase);
    }
}

PtPortHandle* CPtManager::OpenNet(int index, int channel, int address, uint8_t* buf, int* len) {
    if (!ValidChannel(channel)) return nullptr;
    PtPortHandle* h = NewHandle(index, address);
    if (!h) return nullptr;
    if (!Install(index, channel)) {
        FreeHandle(h);
        return nullptr;
    }
    SetOpenError(channel, std::string());
    SetOwner(channel, h);
    CPtProtocol* p = m_table[channel];
    p->LoadSpeed(channel, index, address);
    p->AttachPortNet(h, buf, len);
    return h;
}

void CPtManager::CloseNet(PtPortHandle* h, int channel, uint8_t* buf, int* len) {
    if (!h || ReleaseOrphan(h, false)) return;
    CPtProtocol* p = At(channel);
    if (!p) return;
    p->DetachPortNet(h, buf, len);
    Release(h, channel);
}

void CPtManager::CmdNet(PtPortHandle* h, int channel, int code, uint8_t* buf, int* len) {
    if (CPtProtocol* p = GuardB(h, channel)) p->SetCmdNet(h, code, buf, len);
}

void CPtManager::CameraPowerNet(PtPortHandle* h, int channel, int on, uint8_t* buf, int* len) {
    if (CPtProtocol* p = GuardB(h, channel)) p->SetCameraPowerNet(h, on, buf, len);
}

void CPtManager::LampPowerNet(PtPortHandle* h, int channel, int on, uint8_t* buf, int* len) {
    if (CPtProtocol* p = GuardB(h, channel)) p->SetLampPowerNet(h, on, buf, len);
}

void CPtManager::AuxPowerNet(PtPortHandle* h, int channel, int on, uint8_t* buf, int* len) {
    if (CPtProtocol* p = GuardB(h, channel)) p->SetAuxPowerNet(h, on, buf, len);
}

void CPtManager::AutoScanNet(PtPortHandle* h, int channel, int value, uint8_t* buf, int* len) {
    if (CPtProtocol* p = GuardB(h, channel)) p->SetAutoScanNet(h, value, buf, len);
}

void CPtManager::AutoPanNet(PtPortHandle* h, int channel, int on, uint8_t* buf, int* len) {
    if (CPtProtocol* p = GuardB(h, channel)) p->SetAutoPanNet(h, on, buf, len);
}

void CPtManager::SpeedCtrlNet(PtPortHandle* h, int channel, int axis, int increase, uint8_t* buf,
                              int* len) {
    CPtProtocol* p = GuardB(h, channel);
    if (!p) return;
    p->SetSpeedCtrlNet(h, axis, increase, buf, len);
    p->SaveSpeed(channel, h->protocolIndex, h->address);
}
