#include "ConfigApp.h"

#include "ConfigDlg.h"
#include "MessageBoxes.h"
#include "WideText.h"
#include "resources/StringTable.h"
#include "resources/resource.h"

#include "runtime/Networking.h"

#include <commctrl.h>

namespace {

constexpr const wchar_t* kApplicationName = L"vantrex-config";

} // namespace

bool CConfigApp::InitInstance(const CommandLine& commandLine) {
    if (!StartNetworking()) {
        MessageBoxW(nullptr, Widen(LoadStringResource(IDS_SOCKETS_INIT_FAILED)).c_str(), kApplicationName,
                    MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    // The version 6 controls of the manifest register their classes here: the lamps' tooltips with the
    // bars, the Find dialog's and the device log's lists, the Find dialog's progress bar.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES |
                                                       ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CMessageBoxes boxes;
    CConfigDlg dialog(m_instance, boxes);
    dialog.DoModal(commandLine);
    return false;
}
