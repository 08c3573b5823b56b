#include "ui/NativePath.h"

namespace velmora::ui {

QString NativePath(const QString& qtPath, QChar separator) {
    return QString(qtPath).replace(QLatin1Char('/'), separator);
}

}  // namespace velmora::ui
