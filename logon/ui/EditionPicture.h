#pragma once
// The edition's banner picture and window icon, painted at run time.
#include <QIcon>
#include <QPixmap>

#include "logon/Edition.h"

namespace logon {

QPixmap EditionBanner(Edition edition, int width = 360, int height = 96);
QIcon EditionIcon(Edition edition);

}  // namespace logon
