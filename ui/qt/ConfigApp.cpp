#include "ConfigApp.h"

#include "ConfigDlg.h"
#include "ControlText.h"
#include "MessageBoxes.h"
#include "ui/res/StringTable.h"
#include "ui/res/resource.h"

#include "runtime/Networking.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

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
    if (commandLine.address) {
        SetControlText(*dialog.Controls().Item(IDC_DEVICE_ADDRESS),
                       QString::fromStdString(*commandLine.address));
    }
    if (commandLine.connect) {
        // Pressed once the window runs, as a user would.
        QTimer::singleShot(0, &dialog, [&dialog] {
            static_cast<QAbstractButton*>(dialog.Controls().Item(IDC_CONNECT))->click();
        });
    }
    dialog.exec();
    return false;
}
