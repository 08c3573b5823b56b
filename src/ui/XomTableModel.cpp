#include "ui/XomTableModel.h"

#include <array>

namespace velmora::ui {

namespace {

constexpr std::array<const char*, XomTableModel::kColumnCount> kTitles{"XOM", "Base", "Size",
                                                                       "Project"};
constexpr std::array<int, XomTableModel::kColumnCount> kWidths{35, 75, 55, 80};

}  // namespace

XomTableModel::XomTableModel(XomTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {}

int XomTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kXomRegionCount;
}

int XomTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QString XomTableModel::ColumnTitle(int column) {
    if (column < 0 || column >= kColumnCount) return QString();
    return QString::fromLatin1(kTitles[static_cast<std::size_t>(column)]);
}

int XomTableModel::ColumnWidth(int column) {
    if (column < 0 || column >= kColumnCount) return 0;
    return kWidths[static_cast<std::size_t>(column)];
}

std::wstring* XomTableModel::cell(int row, int column) const {
    XomRegion& region = table_[static_cast<std::size_t>(row)];
    switch (column) {
        case kColumnBase: return &region.base;
        case kColumnSize: return &region.size;
        case kColumnProject: return &region.projectName;
        default: return nullptr;
    }
}

QVariant XomTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !checkIndex(index)) return QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole) return QVariant();
    if (index.column() == kColumnRegion) return QString::number(index.row());
    return QString::fromStdWString(*cell(index.row(), index.column()));
}

bool XomTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !checkIndex(index)) return false;
    if (role != Qt::EditRole) return false;
    if (!(flags(index) & Qt::ItemIsEditable)) return false;
    *cell(index.row(), index.column()) = value.toString().toStdWString();
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant XomTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
    return ColumnTitle(section);
}

Qt::ItemFlags XomTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || !checkIndex(index)) return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const int column = index.column();
    if (column == kColumnBase || column == kColumnSize) return base | Qt::ItemIsEditable;
    return base;
}

void XomTableModel::refresh() {
    emit dataChanged(index(0, 0), index(kXomRegionCount - 1, kColumnCount - 1),
                     {Qt::DisplayRole, Qt::EditRole});
}

}  // namespace velmora::ui
