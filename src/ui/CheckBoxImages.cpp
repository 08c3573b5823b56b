#include "ui/CheckBoxImages.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace velmora::ui {

namespace {

QPixmap DrawCheckBox(QStyle* style, bool ticked) {
    QPixmap pixmap(CheckBoxImages::kSize, CheckBoxImages::kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QStyleOptionButton option;
    option.rect = QRect(0, 0, CheckBoxImages::kSize, CheckBoxImages::kSize);
    option.state = QStyle::State_Enabled | (ticked ? QStyle::State_On : QStyle::State_Off);
    option.palette = QApplication::palette();
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter);
    return pixmap;
}

}  // namespace

CheckBoxImages::CheckBoxImages(QStyle* style) {
    if (!style) style = QApplication::style();
    images_[kEmptyBox] = DrawCheckBox(style, false);
    images_[kTickedBox] = DrawCheckBox(style, true);
}

QPixmap CheckBoxImages::image(int index) const {
    if (index < 0 || index >= static_cast<int>(images_.size())) return QPixmap();
    return images_[static_cast<std::size_t>(index)];
}

int CheckBoxImages::IndexFor(XomCellState state) {
    switch (state) {
        case XomCellState::Free: return kEmptyBox;
        case XomCellState::Owned: return kTickedBox;
        case XomCellState::Taken: break;
    }
    return kNoImage;
}

}  // namespace velmora::ui
