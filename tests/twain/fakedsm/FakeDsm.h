#pragma once
// A scripted TWAIN source manager with one source, built as a shared library for the engine
// tests (loaded through LUMAVELL_TWAIN_DSM). The test configures it, the engine drives it, and
// the test host's event loop lets it send its scripted messages through the registered callback.

#include "TwainTypes.h"

extern "C" {

struct FakeDsmScript {
    TW_UINT16 userSelect = TWRC_SUCCESS;  // result of MSG_USERSELECT
    TW_UINT16 openDsm = TWRC_SUCCESS;
    TW_UINT16 openDs = TWRC_SUCCESS;
    TW_UINT16 registerCallback = TWRC_SUCCESS;
    TW_UINT16 enableDs = TWRC_SUCCESS;
    TW_UINT16 disableDs = TWRC_SUCCESS;
    int pagesPerPass = 1;          // images pending after each MSG_XFERREADY
    TW_UINT16 pageResult[16] = {};  // result of MSG_GET for page n (0 = TWRC_XFERDONE); later pages as the last
    int endXferFailAt = 0;         // 1-based page whose MSG_ENDXFER fails (0: none)
    bool resetFails = false;       // MSG_RESET fails
    TW_UINT16 events[16] = {};      // messages sent through the callback, one per event-loop turn
    int eventCount = 0;
    int width = 4;                 // size of the delivered images; page n gets width + n
    int height = 3;
};

void FakeDsm_Configure(const FakeDsmScript* script);
// Sends the next scripted message through the callback; 0 when the script is used up.
int FakeDsm_Pump();
// The triplets the engine made, one per line: "DAT MSG result".
const char* FakeDsm_Log();
// Images handed out so far.
int FakeDsm_ImagesDelivered();
// The identity the engine presented when it opened the manager.
const TW_IDENTITY* FakeDsm_AppIdentity();
}
