#include "DevicesTableModel.h"

#include "ui/DevicesDlgLogic.h"

#include <QColor>

namespace {

QVariant Background(StateColour colour) {
    const std::optional<std::uint32_t> shade = ShadeOf(colour);
    return shade ? QVariant(QColor::fromRgb(*shade)) : QVariant();
}

} // namespace

CDevicesTableModel::CDevicesTableModel(const CDevicesDlgLogic& logic, QObject* parent)
    : QAbstractTableModel(parent), m_logic(logic) {}

void CDevicesTableModel::SetTitles(const std::array<QString, kDeviceColumnCount>& titles) {
    m_titles = titles;
    emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(kDeviceColumnCount) - 1);
}

void CDevicesTableModel::Reset() {
    beginResetModel();
    endResetModel();
}

void CDevicesTableModel::Update(std::size_t first, std::size_t last) {
    emit dataChanged(index(static_cast<int>(first), 0),
                     index(static_cast<int>(last), static_cast<int>(kDeviceColumnCount) - 1));
}

int CDevicesTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_logic.RowCount());
}

int CDevicesTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kDeviceColumnCount);
}

QVariant CDevicesTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= m_logic.RowCount()) {
        return {};
    }
    const DeviceRow& row = m_logic.Row(static_cast<std::size_t>(index.row()));
    const auto column = static_cast<DeviceColumn>(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return QString::fromStdString(row.Cell(column));
    case Qt::BackgroundRole:
        return column == DeviceColumn::State ? Background(row.colour) : QVariant();
    case Qt::ForegroundRole:
        // The shade behind the state is light whatever the theme, so its words are dark on it.
        return column == DeviceColumn::State && row.colour != StateColour::Neutral ? QColor(Qt::black)
                                                                                   : QVariant();
    default:
        return {};
    }
}

QVariant CDevicesTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(kDeviceColumnCount)) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return m_titles[static_cast<std::size_t>(section)];
}
