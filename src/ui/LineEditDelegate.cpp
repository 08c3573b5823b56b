#include "ui/LineEditDelegate.h"

#include <limits>

#include <QLineEdit>

namespace velmora::ui {

QWidget* LineEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex&) const {
    auto* edit = new QLineEdit(parent);
    edit->setFrame(true);
    edit->setMaxLength(std::numeric_limits<int>::max());
    return edit;
}

void LineEditDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* edit = qobject_cast<QLineEdit*>(editor);
    if (!edit) return;
    edit->setText(index.data(Qt::EditRole).toString());
}

void LineEditDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
    auto* edit = qobject_cast<QLineEdit*>(editor);
    if (!edit) return;
    model->setData(index, edit->text(), Qt::EditRole);
}

}  // namespace velmora::ui
