#include "ui/ImageCellDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace velmora::ui {

void ImageCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    background.icon = QIcon();
    background.features &= ~QStyleOptionViewItem::HasDecoration;
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, option.widget);

    const QPixmap image = index.data(Qt::DecorationRole).value<QPixmap>();
    if (image.isNull()) return;
    const QSize size = image.deviceIndependentSize().toSize();
    QRect target(QPoint(0, 0), size);
    target.moveCenter(option.rect.center());
    const bool disabled = !(option.state & QStyle::State_Enabled);
    painter->save();
    if (disabled) painter->setOpacity(0.5);
    painter->drawPixmap(target, image);
    painter->restore();
}

QWidget* ImageCellDelegate::createEditor(QWidget*, const QStyleOptionViewItem&,
                                         const QModelIndex&) const {
    return nullptr;
}

}  // namespace velmora::ui
