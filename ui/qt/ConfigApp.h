#pragma once

#include "ui/CommandLine.h"

#include <QApplication>

// The application: starts the network layer, runs the main window modally and ends when it closes.
class CConfigApp : public QApplication {
    Q_OBJECT

public:
    CConfigApp(int& argc, char** argv);

    // Runs the program as asked on the command line; the program then ends. Always false: there is no
    // message loop outside the main window.
    bool InitInstance(const CommandLine& commandLine);
};
