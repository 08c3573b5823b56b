#pragma once
// Paths from Qt ('/' between names, whatever the platform) in the form the core,
// the scripts and the configuration file use: the platform's own separator.

#include <QDir>
#include <QString>

namespace velmora::ui {

// qtPath with every '/' replaced by separator (a backslash on Windows, unchanged
// elsewhere). Every path that Qt hands the dialog (a pick, a drop) goes through here.
QString NativePath(const QString& qtPath, QChar separator = QDir::separator());

}  // namespace velmora::ui
