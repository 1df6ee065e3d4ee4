// What the command line asks of the window once it exists.
#include "ConfigDlgLogic.h"

#include "resources/resource.h"
#include "ui/CommandLine.h"

void CConfigDlgLogic::ApplyCommandLine(const CommandLine& commandLine) {
    if (commandLine.address) {
        m_view.SetItemText(IDC_DEVICE_ADDRESS, *commandLine.address);
    }
    if (commandLine.connect) {
        // Pressed once the window runs, as a user would: an error box needs a window to belong to.
        m_view.PressWhenShown(IDC_CONNECT);
    }
}
