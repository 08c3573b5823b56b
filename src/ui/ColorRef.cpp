#include "ui/ColorRef.h"

namespace velmora::ui {

QColor ColorFromColorRef(ColorRef value) {
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
}

}  // namespace velmora::ui
