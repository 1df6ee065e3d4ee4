#pragma once

#include "runtime/WorkerThread.h"

#include <windows.h>

// Posts report of worker to window as WM_APP, the worker's address in its WPARAM and the report in its
// LPARAM; runs on a relay's thread. A window already gone loses it.
void PostReport(HWND window, const CWorkerThread& worker, StateReport report);
// The report of a WM_APP that PostReport sent, from its LPARAM.
StateReport UnpackReport(LPARAM packed);
