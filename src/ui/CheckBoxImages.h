#pragma once
// The project grid's image list: the platform's empty and ticked check boxes,
// 16 x 16. A Taken cell uses an index past the list and shows nothing.

#include <array>

#include <QPixmap>

#include "model/PartitionConfig.h"

class QStyle;

namespace velmora::ui {

class CheckBoxImages {
public:
    static constexpr int kSize = 16;
    static constexpr int kEmptyBox = 0;
    static constexpr int kTickedBox = 1;
    static constexpr int kNoImage = 2;

    // Draws both boxes with the style (the application's when null).
    explicit CheckBoxImages(QStyle* style = nullptr);

    // The image for an index; a null pixmap for kNoImage or any other index.
    QPixmap image(int index) const;

    static int IndexFor(XomCellState state);

private:
    std::array<QPixmap, 2> images_;
};

}  // namespace velmora::ui
