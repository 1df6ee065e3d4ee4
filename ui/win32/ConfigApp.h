#pragma once

#include "ui/CommandLine.h"

#include <windows.h>

// The application: starts the network layer, runs the main window modally and ends when it closes.
class CConfigApp {
public:
    explicit CConfigApp(HINSTANCE instance) : m_instance(instance) {}

    // Runs the program as asked on the command line; the program then ends. Always false: there is no
    // message loop outside the main window.
    bool InitInstance(const CommandLine& commandLine);

private:
    HINSTANCE m_instance;
};
