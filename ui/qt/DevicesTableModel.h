#pragma once

#include "ui/DeviceRow.h"

#include <QAbstractTableModel>

#include <array>
#include <cstddef>
#include <functional>

class CDevicesDlgLogic;

// The Devices window's table as Qt's views read it: every cell from the shared logic's rows, the state's
// colour behind its words, the titles in the header. The logic sorts and filters; the model only shows.
class CDevicesTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    CDevicesTableModel(const CDevicesDlgLogic& logic, QObject* parent);

    void SetTitles(const std::array<QString, kDeviceColumnCount>& titles);
    // The rows were added, removed or reordered.
    void Reset();
    // Rows first to last changed in place.
    void Update(std::size_t first, std::size_t last);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const CDevicesDlgLogic& m_logic;
    std::array<QString, kDeviceColumnCount> m_titles;
};
