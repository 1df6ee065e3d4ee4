#include "DialogBuilder.h"

#include "ChartView.h"
#include "PushLikeAccessible.h"
#include "StatusText.h"
#include "resources/DialogUnits.h"
#include "resources/WindowStyles.h"
#include "ui/qt/Artwork.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr char kFallbackFamily[] = "Arial";
// The system's icon size; icon statics take it whatever their template size.
constexpr int kIconSize = 32;

bool Has(std::uint32_t style, std::uint32_t bits) {
    return (style & bits) == bits;
}

QPushButton* CreatePushButton(const DialogControlTemplate& control, QWidget& parent) {
    auto* button = new QPushButton(QString::fromUtf8(control.text), &parent);
    // Qt would make a focused button the default; then Enter would press it in a window that has no
    // default button, where Enter must do nothing.
    button->setAutoDefault(false);
    button->setDefault((control.style & kBsTypeMask) == kBsDefPushButton);
    if (auto* dialog = qobject_cast<QDialog*>(&parent); dialog && control.id == kIdOk) {
        QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::accept);
    }
    return button;
}

QWidget* CreateButton(const DialogControlTemplate& control, QWidget& parent) {
    const QString text = QString::fromUtf8(control.text);
    switch (control.style & kBsTypeMask) {
    case kBsGroupBox:
        return new QGroupBox(text, &parent);
    case kBsAutoCheckBox:
        if (Has(control.style, kBsPushLike)) {
            QPushButton* button = CreatePushButton(control, parent);
            button->setCheckable(true);
            ReadAsPushButton(*button);
            return button;
        }
        return new QCheckBox(text, &parent);
    default:
        return CreatePushButton(control, parent);
    }
}

QWidget* CreateEdit(const DialogControlTemplate& control, QWidget& parent) {
    // A multi-line edit shows text whose lines may be longer than the box: they scroll, never wrap.
    if (Has(control.style, kEsMultiline)) {
        auto* text = new QPlainTextEdit(QString::fromUtf8(control.text), &parent);
        text->setReadOnly(Has(control.style, kEsReadOnly));
        text->setLineWrapMode(QPlainTextEdit::NoWrap);
        return text;
    }
    auto* edit = new QLineEdit(QString::fromUtf8(control.text), &parent);
    edit->setReadOnly(Has(control.style, kEsReadOnly));
    edit->setAlignment((Has(control.style, kEsRight) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return edit;
}

// A drop-down; an editable one (CBS_DROPDOWN) starts with the control's text, its list only offers texts
// to pick.
QWidget* CreateComboBox(const DialogControlTemplate& control, QWidget& parent) {
    auto* combo = new QComboBox(&parent);
    combo->setEditable((control.style & kCbsTypeMask) == kCbsDropDown);
    // Enter in the edit must neither add to the list nor press anything.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setEditText(QString::fromUtf8(control.text));
    return combo;
}

// A report-style list view: rows of columns, whole rows selected, no tree decoration.
QWidget* CreateListView(const DialogControlTemplate& control, QWidget& parent) {
    auto* list = new QTreeWidget(&parent);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(Has(control.style, kLvsSingleSel) ? QAbstractItemView::SingleSelection
                                                             : QAbstractItemView::ExtendedSelection);
    return list;
}

QWidget* CreateImageStatic(const QPixmap& image, QWidget& parent) {
    auto* label = new QLabel(&parent);
    label->setPixmap(image);
    return label;
}

QWidget* CreateWhiteRect(QWidget& parent) {
    auto* rect = new QWidget(&parent);
    QPalette palette = rect->palette();
    palette.setColor(QPalette::Window, Qt::white);
    rect->setPalette(palette);
    rect->setAutoFillBackground(true);
    return rect;
}

Qt::Alignment TextStaticAlignment(std::uint32_t style) {
    const Qt::Alignment vertical = Has(style, kSsCenterImage) ? Qt::AlignVCenter : Qt::AlignTop;
    switch (style & kSsTypeMask) {
    case kSsCenter:
        return Qt::AlignHCenter | vertical;
    case kSsRight:
        return Qt::AlignRight | vertical;
    default:
        return Qt::AlignLeft | vertical;
    }
}

QWidget* CreateTextStatic(const DialogControlTemplate& control, QWidget& parent) {
    auto* label = new QLabel(QString::fromUtf8(control.text), &parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(TextStaticAlignment(control.style));
    // Multi-line statics wrap words; a vertically centred one is a single line.
    label->setWordWrap(!Has(control.style, kSsCenterImage));
    return label;
}

QWidget* CreateStatic(const DialogControlTemplate& control, QWidget& parent) {
    switch (control.style & kSsTypeMask) {
    case kSsBitmap:
        return CreateImageStatic(LoadBitmapResource(control.imageId), parent);
    case kSsIcon:
        return CreateImageStatic(LoadIconResource(control.imageId).pixmap(kIconSize, kIconSize), parent);
    case kSsWhiteRect:
        return CreateWhiteRect(parent);
    default:
        return CreateTextStatic(control, parent);
    }
}

QWidget* CreateControl(const DialogControlTemplate& control, QWidget& parent, bool asStatusText) {
    if (asStatusText) {
        return new CStatusText(control.style, &parent);
    }
    switch (control.controlClass) {
    case ControlClass::Button:
        return CreateButton(control, parent);
    case ControlClass::Edit:
        return CreateEdit(control, parent);
    case ControlClass::ComboBox:
        return CreateComboBox(control, parent);
    case ControlClass::ListView:
        return CreateListView(control, parent);
    case ControlClass::ProgressBar:
        return new QProgressBar(&parent);
    case ControlClass::Chart:
        return new CChartView(&parent);
    case ControlClass::Static:
        break;
    }
    return CreateStatic(control, parent);
}

// What the template says about every control whatever its kind: place, font, focus and visibility.
void ApplyCommonSettings(const DialogControlTemplate& control, QWidget& widget, const QFont& font,
                         const PixelRect& rect) {
    widget.setGeometry(rect.x, rect.y, rect.width, rect.height);
    // An image static takes the size of its image; without one it keeps its template size.
    if (const auto* label = qobject_cast<QLabel*>(&widget); label && !label->pixmap().isNull()) {
        widget.resize(label->pixmap().size());
    }
    widget.setFont(font);
    // A drop-down list's template height includes its open list; closed, it is one line high.
    if (control.controlClass == ControlClass::ComboBox &&
        (control.style & kCbsTypeMask) == kCbsDropDownList) {
        widget.resize(rect.width, widget.sizeHint().height());
    }
    if (!Has(control.style, kWsTabStop) && (widget.focusPolicy() & Qt::TabFocus)) {
        widget.setFocusPolicy(Qt::ClickFocus);
    }
    widget.setEnabled(!Has(control.style, kWsDisabled));
    widget.setVisible(Has(control.style, kWsVisible));
}

bool TakesTabFocus(const QWidget* widget) {
    return (widget->focusPolicy() & Qt::TabFocus) != 0;
}

void ChainTabOrder(const std::vector<QWidget*>& widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (TakesTabFocus(widget)) {
            if (previous) {
                QWidget::setTabOrder(previous, widget);
            }
            previous = widget;
        }
    }
}

// A static's mnemonic moves the focus to the next control that takes it, as in a dialog.
void AttachMnemonicBuddies(const DialogTemplate& dialogTemplate, const std::vector<QWidget*>& widgets) {
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        auto* label = qobject_cast<QLabel*>(widgets[i]);
        const DialogControlTemplate& control = dialogTemplate.controls[i];
        if (!label || Has(control.style, kSsNoPrefix) || !label->text().contains(u'&')) {
            continue;
        }
        const auto next =
            std::find_if(widgets.begin() + static_cast<std::ptrdiff_t>(i) + 1, widgets.end(), TakesTabFocus);
        if (next != widgets.end()) {
            label->setBuddy(*next);
        }
    }
}

} // namespace

QWidget* CDialogControls::Item(int id) const {
    const auto found = std::find(m_ids.begin(), m_ids.end(), id);
    return found == m_ids.end() ? nullptr : m_widgets[static_cast<std::size_t>(found - m_ids.begin())];
}

CStatusText* CDialogControls::StatusText(int id) const {
    return qobject_cast<CStatusText*>(Item(id));
}

void CDialogControls::Append(int id, QWidget* widget) {
    m_ids.push_back(id);
    m_widgets.push_back(widget);
}

QFont FontWithFallback(const char* family, int pointSize, bool bold) {
    // Fontconfig answers every family with some face, so Qt never reaches the second family of a
    // list: name the requested family only when it is really installed.
    const QString requested = QString::fromUtf8(family);
    QStringList families;
    if (requested != QLatin1String(kFallbackFamily) && QFontDatabase::hasFamily(requested)) {
        families.append(requested);
    }
    families.append(QLatin1String(kFallbackFamily));
    QFont font;
    font.setFamilies(families);
    font.setPointSize(pointSize);
    font.setBold(bold);
    return font;
}

QFont DialogTemplateFont(const DialogTemplate& dialogTemplate) {
    constexpr int kBoldWeight = 700;
    QFont font = FontWithFallback(dialogTemplate.fontName, dialogTemplate.fontPointSize,
                                  dialogTemplate.fontWeight >= kBoldWeight);
    font.setItalic(dialogTemplate.fontItalic);
    return font;
}

void ApplyDialogTemplateFrame(const DialogTemplate& dialogTemplate, QWidget& dialog, int dpi) {
    const PixelRect client = DialogRectToPixels(dialogTemplate.rect, dpi);
    dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.title));
    dialog.setFont(DialogTemplateFont(dialogTemplate));
    if (Has(dialogTemplate.style, kWsThickFrame)) {
        dialog.resize(client.width, client.height);
    } else {
        dialog.setFixedSize(client.width, client.height);
    }
}

CDialogControls BuildDialogControls(const DialogTemplate& dialogTemplate, QWidget& parent,
                                    std::span<const int> statusTextIds, int dpi) {
    const QFont font = DialogTemplateFont(dialogTemplate);
    CDialogControls controls;
    for (const DialogControlTemplate& control : dialogTemplate.controls) {
        const PixelRect rect = DialogRectToPixels(control.rect, dpi);
        const bool asStatusText = std::ranges::find(statusTextIds, control.id) != statusTextIds.end();
        QWidget* widget = CreateControl(control, parent, asStatusText);
        ApplyCommonSettings(control, *widget, font, rect);
        controls.Append(control.id, widget);
    }
    ChainTabOrder(controls.InTemplateOrder());
    AttachMnemonicBuddies(dialogTemplate, controls.InTemplateOrder());
    return controls;
}
