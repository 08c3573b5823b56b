#pragma once
// Hands a local folder or file to the desktop: the file manager for a folder, the
// application the desktop associates with a file. A relative path starts at the
// current working folder, as the configuration's relative paths do.

#include <functional>

#include <QString>
#include <QUrl>

namespace velmora::ui {

class LocalPathOpener {
public:
    // Receives the URL to open; returns whether the desktop took it.
    using UrlHandler = std::function<bool(const QUrl&)>;

    // Without a handler, QDesktopServices::openUrl.
    explicit LocalPathOpener(UrlHandler handler = {});

    // Hands UrlOf(path) to the handler and returns its answer; false without
    // calling it for an empty path.
    bool open(const QString& path) const;

    // The file URL of path made absolute (native or '/' separators, "." and ".."
    // resolved), which a desktop can open; a relative path's URL ("file:BSP/...")
    // is one it cannot.
    static QUrl UrlOf(const QString& path);

private:
    UrlHandler handler_;
};

}  // namespace velmora::ui
