#include "ConfigApp.h"

#include "ConfigDlg.h"
#include "MessageBoxes.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

#include "runtime/Networking.h"

#include <QMessageBox>

CConfigApp::CConfigApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("vantrex-config"));
    setApplicationVersion(QStringLiteral(VANTREX_VERSION));
}

bool CConfigApp::InitInstance(const CommandLine& commandLine) {
    if (!StartNetworking()) {
        QMessageBox::information(nullptr, applicationName(),
                                 QString::fromUtf8(LoadStringResource(IDS_SOCKETS_INIT_FAILED)));
        return false;
    }
    CMessageBoxes boxes;
    CConfigDlg dialog(boxes);
    dialog.OnInitDialog();
    dialog.Logic().ApplyCommandLine(commandLine);
    dialog.exec();
    return false;
}
