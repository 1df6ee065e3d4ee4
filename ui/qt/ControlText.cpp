#include "ControlText.h"

#include "StatusText.h"
#include "resources/StringTable.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

QString ControlText(const QWidget& control) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control)) {
        return button->text();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(&control)) {
        return group->title();
    }
    if (const auto* label = qobject_cast<const QLabel*>(&control)) {
        return label->text();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(&control)) {
        return edit->text();
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&control)) {
        return plain->toPlainText();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(&control)) {
        return combo->currentText();
    }
    if (const auto* status = qobject_cast<const CStatusText*>(&control)) {
        return status->Text();
    }
    return QString();
}

void SetControlText(QWidget& control, const QString& text) {
    if (auto* button = qobject_cast<QAbstractButton*>(&control)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(&control)) {
        group->setTitle(text);
    } else if (auto* label = qobject_cast<QLabel*>(&control)) {
        label->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(&control)) {
        edit->setText(text);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(&control)) {
        plain->setPlainText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(&control)) {
        combo->setEditText(text);
    } else if (auto* status = qobject_cast<CStatusText*>(&control)) {
        status->SetText(text);
    }
}

QString ResourceText(int stringId) {
    return QString::fromUtf8(LoadStringResource(stringId));
}
