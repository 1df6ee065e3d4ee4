#include "PushLikeAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPushButton>

namespace {

constexpr char kReadAsPushButton[] = "vantrexReadAsPushButton";

class CPushLikeAccessible : public QAccessibleWidget {
public:
    explicit CPushLikeAccessible(QPushButton* button) : QAccessibleWidget(button, QAccessible::Button) {
        // QAbstractButton::setText sends the name's change; this one reads the caption when asked.
        addControllingSignal(QStringLiteral("clicked(bool)"));
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            return Button()->text().remove(u'&');
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            Button()->click();
            return;
        }
        QAccessibleWidget::doAction(actionName);
    }

private:
    QPushButton* Button() const { return static_cast<QPushButton*>(widget()); }
};

QAccessibleInterface* PushLikeFactory(const QString&, QObject* object) {
    auto* button = qobject_cast<QPushButton*>(object);
    if (button == nullptr || !button->property(kReadAsPushButton).toBool()) {
        return nullptr;
    }
    return new CPushLikeAccessible(button);
}

} // namespace

void ReadAsPushButton(QPushButton& button) {
    // Once per program, before a screen reader can ask for the button.
    [[maybe_unused]] static const bool factoryInstalled =
        (QAccessible::installFactory(PushLikeFactory), true);
    button.setProperty(kReadAsPushButton, true);
    // Setting the caption while a screen reader listens made Qt's own interface already, which its cache
    // would go on giving.
    if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(&button)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    }
}
