#include "ui/ProjectTableModel.h"

#include <array>

#include "model/ProjectTableEditing.h"

namespace velmora::ui {

namespace {

constexpr std::array<const char*, kProjectColumnCount> kTitles{
    "",    "Project", "State", "RO",   "RO SIZE", "RW",        "NSC",
    "NSC SIZE", "XOM0", "XOM1", "XOM2", "XOM3",    "Next Boot", "Path"};
constexpr std::array<int, kProjectColumnCount> kWidths{0,  80, 45, 75, 75, 75, 75,
                                                       75, 45, 45, 45, 45, 80, 130};

}  // namespace

ProjectTableModel::ProjectTableModel(ProjectTable& table, XomTable& xom, QObject* parent)
    : QAbstractTableModel(parent), table_(table), xom_(xom) {}

int ProjectTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.size();
}

int ProjectTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kProjectColumnCount;
}

bool ProjectTableModel::IsXomColumn(int column) {
    return column >= kColumnXom0 && column <= kColumnXom3;
}

QString ProjectTableModel::ColumnTitle(int column) {
    if (column < 0 || column >= kProjectColumnCount) return QString();
    return QString::fromLatin1(kTitles[static_cast<std::size_t>(column)]);
}

int ProjectTableModel::ColumnWidth(int column) {
    if (column < 0 || column >= kProjectColumnCount) return 0;
    return kWidths[static_cast<std::size_t>(column)];
}

QVariant ProjectTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !checkIndex(index)) return QVariant();
    const ProjectEntry& entry = table_.rows[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (IsXomColumn(column)) {
        const XomCellState state = entry.xomCells[static_cast<std::size_t>(column - kColumnXom0)];
        switch (role) {
            case XomStateRole: return static_cast<int>(state);
            case Qt::DecorationRole: {
                const QPixmap image = images_.image(CheckBoxImages::IndexFor(state));
                return image.isNull() ? QVariant() : QVariant(image);
            }
            case Qt::TextAlignmentRole: return int(Qt::AlignCenter);
            default: return QVariant();
        }
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole) return QVariant();
    if (column == kColumnHidden) return QVariant();
    return QString::fromStdWString(ProjectCellText(entry, column));
}

bool ProjectTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !checkIndex(index)) return false;
    if (role != Qt::EditRole) return false;
    ProjectEntry& entry = table_.rows[static_cast<std::size_t>(index.row())];
    if (!SetProjectCellText(entry, index.column(), value.toString().toStdWString())) return false;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant ProjectTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return QVariant();
    if (section < 0 || section >= kProjectColumnCount) return QVariant();
    if (role == Qt::DisplayRole) return ColumnTitle(section);
    if (role == Qt::TextAlignmentRole && IsXomColumn(section)) return int(Qt::AlignCenter);
    return QVariant();
}

Qt::ItemFlags ProjectTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || !checkIndex(index)) return Qt::NoItemFlags;
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const int column = index.column();
    // XOM cells change by a click, never through an editor.
    if (column == kColumnHidden || IsXomColumn(column)) return base;
    return base | Qt::ItemIsEditable;
}

bool ProjectTableModel::addNewProject(Frontend& frontend) {
    // The rule runs on a copy so that the row can be announced before it appears.
    ProjectTable next = table_;
    if (!AddNewProject(next, frontend)) return false;
    if (next.size() <= table_.size()) return false;
    beginInsertRows(QModelIndex(), table_.size(), next.size() - 1);
    table_ = std::move(next);
    endInsertRows();
    emitXomColumnsChanged();
    return true;
}

void ProjectTableModel::deleteProject(int row) {
    if (!table_.hasRow(row)) return;
    beginRemoveRows(QModelIndex(), row, row);
    DeleteProject(table_, xom_, row);
    endRemoveRows();
    emitXomColumnsChanged();
    emit xomRegionsChanged();
}

void ProjectTableModel::toggleXomCell(int row, int region) {
    if (!table_.hasRow(row) || region < 0 || region >= kXomRegionCount) return;
    ToggleXomCell(table_, xom_, row, region);
    emit dataChanged(index(0, kColumnXom0 + region), index(table_.size() - 1, kColumnXom0 + region),
                     {Qt::DecorationRole, XomStateRole});
    emit xomRegionsChanged();
}

void ProjectTableModel::refreshNextBootChoices(int row) {
    RefreshNextBootChoices(table_, row);
}

void ProjectTableModel::reload() {
    beginResetModel();
    endResetModel();
}

void ProjectTableModel::emitXomColumnsChanged() {
    if (table_.size() == 0) return;
    emit dataChanged(index(0, kColumnXom0), index(table_.size() - 1, kColumnXom3),
                     {Qt::DecorationRole, XomStateRole});
}

}  // namespace velmora::ui
