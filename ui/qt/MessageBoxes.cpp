#include "MessageBoxes.h"

#include <QMessageBox>
#include <QString>

MessageAnswer CMessageBoxes::Show(QWidget& owner, const std::string& text, const std::string& caption,
                                  MessageKind kind) {
    const QString qtText = QString::fromStdString(text);
    const QString qtCaption = QString::fromStdString(caption);
    if (kind == MessageKind::Error) {
        QMessageBox::critical(&owner, qtCaption, qtText, QMessageBox::Ok);
        return MessageAnswer::Ok;
    }
    const auto answer =
        QMessageBox::warning(&owner, qtCaption, qtText, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}
