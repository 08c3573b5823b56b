#pragma once
// The XOM grid's model: four fixed rows over the core's XomTable; Base and Size
// are edit boxes, the region number and the owning project are read-only.

#include <QAbstractTableModel>

#include "model/PartitionConfig.h"

namespace velmora::ui {

class XomTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column : int { kColumnRegion = 0, kColumnBase = 1, kColumnSize = 2, kColumnProject = 3,
                        kColumnCount = 4 };

    // The table must outlive the model.
    explicit XomTableModel(XomTable& table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The rows were changed behind the model's back (a project click, an import).
    void refresh();

    static QString ColumnTitle(int column);
    static int ColumnWidth(int column);

private:
    std::wstring* cell(int row, int column) const;

    XomTable& table_;
};

}  // namespace velmora::ui
