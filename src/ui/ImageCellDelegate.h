#pragma once
// A cell that shows only its image, centred (the XOM ownership cells); never edited.

#include <QStyledItemDelegate>

namespace velmora::ui {

class ImageCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

}  // namespace velmora::ui
