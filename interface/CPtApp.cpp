#include "interface/CPtApp.h"

#include <cstring>
#include <new>

#include "interface/CPtManager.h"
#include "interface/PtRegistry.h"
#include "platform/Module.h"
#include "trevalo.h"

// Constant-initialised, so it exists before any start-up code runs.
CPtApp theApp;

void platform::OnModuleLoad() { theApp.InitInstance(); }
void platform::OnModuleUnload() { theApp.ExitInstance(); }

bool CPtApp::InitInstance() {
    m_pManager = nullptr;
    return true;
}

int CPtApp::ExitInstance() {
    SetPTUnInit();
    return 0;
}

// A second init keeps the existing manager and its open channels instead
// of orphaning them.
int CPtApp::SetPTInit() {
    if (m_pManager) return 1;
    m_pManager = new (std::nothrow) CPtManager();
    return m_pManager ? 1 : 0;
}

void CPtApp::SetPTUnInit() {
    delete m_pManager;
    m_pManager = nullptr;
}

int CPtApp::GetPtCount() const { return m_pManager ? TREVALO_PROTOCOL_COUNT : 0; }

// Out of range or without a buffer: nothing is written beyond an empty
// string, and 0 characters are reported.
int CPtApp::GetPtName(int index, char* text) const {
    if (!m_pManager || !text) return 0;
    const char* name = ptregistry::Name(index);
    if (!name) {
        text[0] = '\0';
        return 0;
    }
    const size_t n = std::strlen(name);
    std::memcpy(text, name, n + 1);
    return static_cast<int>(n);
}

int CPtApp::GetPtPresetUsed(int index) const {
    return m_pManager && ptregistry::PresetUsed(index) ? 1 : 0;
}

int CPtApp::GetPtAutoScanUsed(int index) const {
    return m_pManager && ptregistry::AutoScanUsed(index) ? 1 : 0;
}

int CPtApp::GetPtSpeedCtrlUsed(int index) const {
    return m_pManager && ptregistry::SpeedCtrlUsed(index) ? 1 : 0;
}
