#include "ui/MemoryTableModel.h"

namespace velmora::ui {

namespace {
constexpr int kRows = static_cast<int>(kMemoryTableRowLabels.size());
constexpr int kColumns = static_cast<int>(kMemoryTableColumnTitles.size());
}  // namespace

MemoryTableModel::MemoryTableModel(QObject* parent)
    : QAbstractTableModel(parent),
      texts_(MemoryConfigurationTexts(kFlashPositionMax, kSramPositionMax)) {}

int MemoryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kRows;
}

int MemoryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

int MemoryTableModel::ColumnWidth(int column) { return column == 0 ? 35 : 100; }

QVariant MemoryTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !checkIndex(index)) return QVariant();
    const auto row = static_cast<std::size_t>(index.row());
    if (role == Qt::TextAlignmentRole)
        return index.column() == 0 ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return QVariant();
    if (index.column() == 0) return QString::fromWCharArray(kMemoryTableRowLabels[row]);
    return QString::fromStdWString(texts_[row][static_cast<std::size_t>(index.column() - 1)]);
}

QVariant MemoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumns) return QVariant();
    if (role == Qt::TextAlignmentRole)
        return section == 0 ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return QVariant();
    return QString::fromWCharArray(kMemoryTableColumnTitles[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags MemoryTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || !checkIndex(index)) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void MemoryTableModel::setPositions(int flashPosition, int sramPosition) {
    texts_ = MemoryConfigurationTexts(flashPosition, sramPosition);
    emit dataChanged(index(0, 1), index(kRows - 1, kColumns - 1), {Qt::DisplayRole});
}

}  // namespace velmora::ui
