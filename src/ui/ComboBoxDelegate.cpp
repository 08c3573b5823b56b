#include "ui/ComboBoxDelegate.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace velmora::ui {

ComboBoxDelegate::ComboBoxDelegate(std::function<QStringList()> choices, QObject* parent)
    : QStyledItemDelegate(parent), choices_(std::move(choices)) {}

QWidget* ComboBoxDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex&) const {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    // Typed text stays in the cell; it never becomes a choice.
    combo->setInsertPolicy(QComboBox::NoInsert);
    // The editable combo's own completer would turn a typed "s" into "S" and "sec"
    // into a choice "Second" on Enter; a cell keeps what was typed, letter for letter.
    combo->setCompleter(nullptr);
    combo->setMaxVisibleItems(kMaxVisibleItems);
    if (choices_) combo->addItems(choices_());
    combo->view()->setMaximumWidth(kMaxListWidth);
    return combo;
}

void ComboBoxDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* combo = qobject_cast<QComboBox*>(editor);
    if (!combo) return;
    combo->setEditText(index.data(Qt::EditRole).toString());
}

void ComboBoxDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
    auto* combo = qobject_cast<QComboBox*>(editor);
    if (!combo) return;
    model->setData(index, combo->currentText(), Qt::EditRole);
}

}  // namespace velmora::ui
