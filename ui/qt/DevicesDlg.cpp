#include "DevicesDlg.h"

#include "ConfigDlg.h"
#include "ControlText.h"
#include "FindDlg.h"
#include "LinkStateEvent.h"
#include "LocalNetworks.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/SearchNetworkCheck.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

// The accessible names of the controls that have no words of their own.
constexpr std::pair<int, int> kAccessibleNames[] = {
    {IDC_DEVICES_TABLE, IDS_DEVICES_NAME_TABLE},
    {IDC_DEVICES_ADD_BOX, IDS_DEVICES_NAME_ADD_BOX},
    {IDC_DEVICES_FILTER, IDS_DEVICES_NAME_FILTER},
    {IDC_DEVICES_FILTER_COLUMN, IDS_DEVICES_NAME_FILTER_COLUMN},
    {IDC_DEVICES_SORT, IDS_DEVICES_NAME_SORT},
    {IDC_DEVICES_INTERVAL, IDS_DEVICES_NAME_INTERVAL},
    {IDC_DEVICES_NAME, IDS_DEVICES_NAME_NAME},
};

// Labels and the control each one names, whose mnemonic gives it the focus.
constexpr std::pair<int, int> kLabels[] = {
    {IDC_DEVICES_ADD_LABEL, IDC_DEVICES_ADD_BOX}, {IDC_DEVICES_FILTER_LABEL, IDC_DEVICES_FILTER},
    {IDC_DEVICES_SORT_LABEL, IDC_DEVICES_SORT},   {IDC_DEVICES_INTERVAL_LABEL, IDC_DEVICES_INTERVAL},
    {IDC_DEVICES_NAME_LABEL, IDC_DEVICES_NAME},
};

// The order Tab goes through the controls: adding, finding in the table, the table, then what acts on
// its selection and the list.
constexpr int kTabOrder[] = {IDC_DEVICES_ADD_BOX,   IDC_DEVICES_ADD,    IDC_DEVICES_ADD_FILE,
                             IDC_DEVICES_ADD_FOUND, IDC_DEVICES_FILTER, IDC_DEVICES_FILTER_COLUMN,
                             IDC_DEVICES_SORT,      IDC_DEVICES_TABLE,  IDC_DEVICES_NAME,
                             IDC_DEVICES_SET_NAME,  IDC_DEVICES_REMOVE, IDC_DEVICES_REMOVE_ALL,
                             IDC_DEVICES_INTERVAL,  IDC_DEVICES_CLOSE};

constexpr int kButtons[] = {IDC_DEVICES_ADD,    IDC_DEVICES_ADD_FILE,   IDC_DEVICES_ADD_FOUND,
                            IDC_DEVICES_REMOVE, IDC_DEVICES_REMOVE_ALL, IDC_DEVICES_SET_NAME,
                            IDC_DEVICES_CLOSE};

} // namespace

CDevicesDlg::CDevicesDlg(CConfigDlg& mainWindow, CMessageBoxes& boxes, DevicesEnvironment environment)
    : QDialog(&mainWindow, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint),
      m_mainWindow(mainWindow), m_boxes(boxes),
      m_logic(
          *this, m_store, LoadStringResource,
          [this](CWorkerThread& fleet, StateReport report) {
              QCoreApplication::postEvent(this, new CLinkStateEvent(&fleet, report));
          },
          std::move(environment)) {
    BuildControls();
    m_logic.SetAlarmsOn(mainWindow.Logic().AlarmsOn());
    m_logic.Start();
    m_logic.OnInitDialog();
    ConnectHandlers();
}

CDevicesDlg::~CDevicesDlg() = default;

void CDevicesDlg::BuildControls() {
    auto add = [this](int id, QWidget* widget) {
        m_items[id] = widget;
        return widget;
    };
    for (const auto& [label, buddy] : kLabels) {
        add(label, new QLabel(this));
    }
    for (const int id : kButtons) {
        auto* button = new QPushButton(this);
        // Enter belongs to the control that has the focus: the table connects, the boxes add and name.
        button->setAutoDefault(false);
        add(id, button);
    }
    for (const int id : {IDC_DEVICES_ADD_BOX, IDC_DEVICES_FILTER, IDC_DEVICES_NAME}) {
        add(id, new QLineEdit(this));
    }
    for (const int id : {IDC_DEVICES_FILTER_COLUMN, IDC_DEVICES_SORT}) {
        add(id, new QComboBox(this));
    }
    auto* interval = new QSpinBox(this);
    interval->setRange(kShortestDevicesInterval, kLongestDevicesInterval);
    add(IDC_DEVICES_INTERVAL, interval);
    add(IDC_DEVICES_SUMMARY, new QLabel(this));
    auto* table = new QTableView(this);
    add(IDC_DEVICES_TABLE, table);
    m_model = new CDevicesTableModel(m_logic, this);
    table->setModel(m_model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(false);
    table->verticalHeader()->hide();
    // Rows of one height need no measuring: a thousand devices scroll and sort as one does.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Cells hold one line each: laid out without wrapping, a frame costs a third less.
    table->setWordWrap(false);
    table->horizontalHeader()->setSectionsClickable(true);
    table->horizontalHeader()->setSortIndicatorShown(true);
    table->horizontalHeader()->setStretchLastSection(true);
    table->installEventFilter(this);
    for (const auto& [label, buddy] : kLabels) {
        static_cast<QLabel*>(Item(label))->setBuddy(Item(buddy));
    }
    for (const auto& [id, name] : kAccessibleNames) {
        Item(id)->setAccessibleName(ResourceText(name));
    }
    for (std::size_t index = 1; index < std::size(kTabOrder); ++index) {
        setTabOrder(Item(kTabOrder[index - 1]), Item(kTabOrder[index]));
    }

    auto row = [this](std::initializer_list<int> ids) {
        auto* line = new QHBoxLayout;
        for (const int id : ids) {
            line->addWidget(Item(id));
        }
        return line;
    };
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row({IDC_DEVICES_ADD_LABEL, IDC_DEVICES_ADD_BOX, IDC_DEVICES_ADD, IDC_DEVICES_ADD_FILE,
                           IDC_DEVICES_ADD_FOUND}));
    layout->addLayout(row({IDC_DEVICES_FILTER_LABEL, IDC_DEVICES_FILTER, IDC_DEVICES_FILTER_COLUMN,
                           IDC_DEVICES_SORT_LABEL, IDC_DEVICES_SORT}));
    layout->addWidget(table, 1);
    layout->addWidget(Item(IDC_DEVICES_SUMMARY));
    layout->addLayout(
        row({IDC_DEVICES_NAME_LABEL, IDC_DEVICES_NAME, IDC_DEVICES_SET_NAME, IDC_DEVICES_REMOVE,
             IDC_DEVICES_REMOVE_ALL, IDC_DEVICES_INTERVAL_LABEL, IDC_DEVICES_INTERVAL, IDC_DEVICES_CLOSE}));
    resize(1000, 560);
}

void CDevicesDlg::ConnectHandlers() {
    const auto clicked = [this](int id, void (CDevicesDlgLogic::*handler)()) {
        connect(static_cast<QAbstractButton*>(Item(id)), &QAbstractButton::clicked, this,
                [this, handler] { (m_logic.*handler)(); });
    };
    clicked(IDC_DEVICES_ADD, &CDevicesDlgLogic::OnAdd);
    clicked(IDC_DEVICES_ADD_FILE, &CDevicesDlgLogic::OnAddFromFile);
    clicked(IDC_DEVICES_ADD_FOUND, &CDevicesDlgLogic::OnAddFound);
    clicked(IDC_DEVICES_REMOVE, &CDevicesDlgLogic::OnRemove);
    clicked(IDC_DEVICES_REMOVE_ALL, &CDevicesDlgLogic::OnRemoveAll);
    clicked(IDC_DEVICES_SET_NAME, &CDevicesDlgLogic::OnSetName);
    clicked(IDC_DEVICES_CLOSE, &CDevicesDlgLogic::OnClose);
    connect(Edit(IDC_DEVICES_ADD_BOX), &QLineEdit::returnPressed, this, [this] { m_logic.OnAdd(); });
    connect(Edit(IDC_DEVICES_NAME), &QLineEdit::returnPressed, this, [this] { m_logic.OnSetName(); });
    connect(Edit(IDC_DEVICES_FILTER), &QLineEdit::textChanged, this, [this] { m_logic.OnFilterChanged(); });
    connect(Combo(IDC_DEVICES_FILTER_COLUMN), &QComboBox::activated, this,
            [this] { m_logic.OnFilterChanged(); });
    connect(Combo(IDC_DEVICES_SORT), &QComboBox::activated, this, [this] { m_logic.OnSortChosen(); });
    connect(static_cast<QSpinBox*>(Item(IDC_DEVICES_INTERVAL)), &QSpinBox::editingFinished, this,
            [this] { m_logic.OnIntervalChanged(); });
    QTableView* table = Table();
    connect(table, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { m_logic.OnActivated(static_cast<std::size_t>(index.row())); });
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_logic.OnSelectionChanged(); });
    connect(table->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { m_logic.OnSortBy(static_cast<DeviceColumn>(section)); });
}

void CDevicesDlg::ShowWindow() {
    show();
    raise();
    activateWindow();
    Table()->setFocus();
}

QTableView* CDevicesDlg::Table() const {
    return static_cast<QTableView*>(Item(IDC_DEVICES_TABLE));
}

QComboBox* CDevicesDlg::Combo(int id) const {
    return static_cast<QComboBox*>(Item(id));
}

QLineEdit* CDevicesDlg::Edit(int id) const {
    return static_cast<QLineEdit*>(Item(id));
}

std::string CDevicesDlg::ItemText(int id) const {
    if (const auto* spin = qobject_cast<const QSpinBox*>(Item(id))) {
        return spin->cleanText().toStdString();
    }
    return ControlText(*Item(id)).toStdString();
}

void CDevicesDlg::SetItemText(int id, const std::string& text) {
    const QString qtext = QString::fromStdString(text);
    if (id == IDD_DEVICES) {
        setWindowTitle(qtext);
    } else if (auto* spin = qobject_cast<QSpinBox*>(Item(id))) {
        spin->setValue(qtext.toInt());
    } else {
        SetControlText(*Item(id), qtext);
    }
    // A button is read by its caption.
    if (auto* button = qobject_cast<QAbstractButton*>(m_items.contains(id) ? Item(id) : nullptr)) {
        button->setAccessibleName(button->text().remove(QLatin1Char('&')));
    }
}

void CDevicesDlg::EnableItem(int id, bool enabled) {
    Item(id)->setEnabled(enabled);
}

void CDevicesDlg::FocusItem(int id) {
    Item(id)->setFocus();
}

void CDevicesDlg::AddChoice(int comboId, const std::string& text) {
    Combo(comboId)->addItem(QString::fromStdString(text));
}

void CDevicesDlg::SelectChoice(int comboId, std::size_t index) {
    Combo(comboId)->setCurrentIndex(static_cast<int>(index));
}

std::optional<std::size_t> CDevicesDlg::SelectedChoice(int comboId) const {
    const int index = Combo(comboId)->currentIndex();
    return index < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(index));
}

void CDevicesDlg::SetColumns(const std::vector<std::string>& titles) {
    std::array<QString, kDeviceColumnCount> qtitles;
    for (std::size_t column = 0; column < kDeviceColumnCount && column < titles.size(); ++column) {
        qtitles[column] = QString::fromStdString(titles[column]);
    }
    m_model->SetTitles(qtitles);
}

void CDevicesDlg::ResetRows() {
    m_model->Reset();
}

void CDevicesDlg::UpdateRows(std::size_t first, std::size_t last) {
    m_model->Update(first, last);
}

void CDevicesDlg::ShowSort(DeviceColumn column, bool ascending) {
    Table()->horizontalHeader()->setSortIndicator(static_cast<int>(column),
                                                  ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::vector<std::size_t> CDevicesDlg::SelectedRows() const {
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : Table()->selectionModel()->selectedRows()) {
        rows.push_back(static_cast<std::size_t>(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CDevicesDlg::SelectRows(const std::vector<std::size_t>& rows) {
    QItemSelection selection;
    for (const std::size_t row : rows) {
        const QModelIndex index = m_model->index(static_cast<int>(row), 0);
        selection.select(index, index);
    }
    QItemSelectionModel* model = Table()->selectionModel();
    model->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (!rows.empty()) {
        const QModelIndex first = m_model->index(static_cast<int>(rows.front()), 0);
        model->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
        Table()->scrollTo(first);
    }
}

std::optional<std::string> CDevicesDlg::AskFileToOpen(const std::string& caption) {
    const QString path = QFileDialog::getOpenFileName(this, QString::fromStdString(caption));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path.toStdString();
}

std::vector<std::string> CDevicesDlg::FindDevices() {
    CConfigDlgLogic& main = m_mainWindow.Logic();
    CFindDlg find(this, m_boxes, NetworkToOffer(main.LastSearchedNetwork(), LocalNetworks()));
    const int result = find.exec();
    main.OnNetworkSearched(find.Logic().SearchedNetwork());
    return find.Logic().AddressesToList(result);
}

MessageAnswer CDevicesDlg::ShowMessage(const std::string& text, const std::string& caption,
                                       MessageKind kind) {
    return m_boxes.Show(*this, text, caption, kind);
}

void CDevicesDlg::StartTimer(int timerId, int periodMs) {
    m_timers.Start(timerId, periodMs);
}

void CDevicesDlg::StopTimer(int timerId) {
    m_timers.Stop(timerId);
}

void CDevicesDlg::timerEvent(QTimerEvent* event) {
    if (const std::optional<int> timerId = m_timers.IdOf(event->timerId())) {
        m_logic.OnTimer(*timerId);
    } else {
        QDialog::timerEvent(event);
    }
}

void CDevicesDlg::customEvent(QEvent* event) {
    if (event->type() == CLinkStateEvent::EventType() &&
        static_cast<const CLinkStateEvent*>(event)->Link() == m_logic.Fleet()) {
        m_logic.OnFleetNews();
    }
}

// Delete in the table removes the selected devices.
bool CDevicesDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Table() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        m_logic.OnRemove();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CDevicesDlg::RaiseAlarm(const Alarm& alarm) {
    m_mainWindow.RaiseAlarm(alarm);
}

void CDevicesDlg::WithdrawAlarm(const Alarm& alarm) {
    m_mainWindow.WithdrawAlarm(alarm);
}

void CDevicesDlg::ConnectMainWindow(const std::string& address) {
    m_mainWindow.Logic().ConnectToFound(address);
    // The user chose the device to see it there.
    m_mainWindow.raise();
    m_mainWindow.activateWindow();
}

void CDevicesDlg::HideWindow() {
    hide();
}
