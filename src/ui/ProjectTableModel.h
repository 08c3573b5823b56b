#pragma once
// The project grid's model: a view of the core's ProjectTable, fourteen columns,
// every edit and structural change made by the core's table rules.

#include <QAbstractTableModel>

#include "model/Frontend.h"
#include "model/PartitionConfig.h"
#include "ui/CheckBoxImages.h"

namespace velmora::ui {

class ProjectTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // The XomCellState of a XOM column's cell, as an int.
    static constexpr int XomStateRole = Qt::UserRole + 1;

    // Both tables must outlive the model.
    ProjectTableModel(ProjectTable& table, XomTable& xom, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // "Add new project"; the core shows the limit's warning through the front end.
    bool addNewProject(Frontend& frontend);
    void deleteProject(int row);
    void toggleXomCell(int row, int region);
    void refreshNextBootChoices(int row);
    // After the tables were changed behind the model's back (loading, import).
    void reload();

    static bool IsXomColumn(int column);
    static QString ColumnTitle(int column);
    // Design widths, before scaling; the hidden columns' widths are those they
    // would have if shown.
    static int ColumnWidth(int column);

    const ProjectTable& table() const { return table_; }

signals:
    // A XOM table Project cell may have changed.
    void xomRegionsChanged();

private:
    void emitXomColumnsChanged();

    ProjectTable& table_;
    XomTable& xom_;
    CheckBoxImages images_;
};

}  // namespace velmora::ui
