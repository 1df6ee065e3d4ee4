#include "AboutDlg.h"

#include "DialogBuilder.h"
#include "resources/DialogTemplates.h"
#include "resources/resource.h"

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    const DialogTemplate& dialogTemplate = *FindDialogTemplate(IDD_ABOUTBOX);
    const int dpi = logicalDpiY();
    ApplyDialogTemplateFrame(dialogTemplate, *this, dpi);
    BuildDialogControls(dialogTemplate, *this, {}, dpi);
}
