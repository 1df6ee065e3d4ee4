#pragma once

#include <QDialog>

// The About box: the program's icon, name and version, and an OK button that ends it.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent);
};
