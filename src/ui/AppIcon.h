#pragma once
// The application's icon and the dialog's logo, drawn at run time: a shield
// split into the secure (green) and non-secure (red) colours.

#include <QIcon>
#include <QPixmap>

namespace velmora::ui {

QPixmap VelmoraLogo(int size);
QIcon VelmoraIcon();

}  // namespace velmora::ui
