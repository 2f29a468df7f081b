// The library's one application object: owns the manager and refuses every
// request while there is none.
#pragma once

#include <cstdint>

#include "protocol/PtPortHandle.h"

class CPtManager;

class CPtApp {
public:
    constexpr CPtApp() = default;

    // Run at library load and unload by the platform's start-up code.
    bool InitInstance();
    int ExitInstance();

    int SetPTInit();
    void SetPTUnInit();

    int GetPtCount() const;
    int GetPtName(int index, char* text) const;
    int GetPtPresetUsed(int index) const;
    int GetPtAutoScanUsed(int index) const;
    int GetPtSpeedCtrlUsed(int index) const;

    CPtManager* Manager() const { return m_pManager; }

private:
    CPtManager* m_pManager = nullptr;
};

extern CPtApp theApp;
