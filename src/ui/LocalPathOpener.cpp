#include "ui/LocalPathOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace velmora::ui {

LocalPathOpener::LocalPathOpener(UrlHandler handler) : handler_(std::move(handler)) {
    if (!handler_) handler_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

bool LocalPathOpener::open(const QString& path) const {
    if (path.isEmpty()) return false;
    return handler_(UrlOf(path));
}

QUrl LocalPathOpener::UrlOf(const QString& path) {
    const QString absolute = QFileInfo(QDir::fromNativeSeparators(path)).absoluteFilePath();
    return QUrl::fromLocalFile(QDir::cleanPath(absolute));
}

}  // namespace velmora::ui
