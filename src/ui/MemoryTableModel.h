#pragma once
// The Memory Configuration table: base, end and size of the four regions for
// the current track-bar positions; read-only.

#include <QAbstractTableModel>

#include "model/MemorySplit.h"

namespace velmora::ui {

class MemoryTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit MemoryTableModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Rewrites the twelve value cells from the flash and SRAM positions.
    void setPositions(int flashPosition, int sramPosition);

    static int ColumnWidth(int column);  // design width before scaling

private:
    MemoryTableTexts texts_;
};

}  // namespace velmora::ui
