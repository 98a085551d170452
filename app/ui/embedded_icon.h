#pragma once

#include <QIcon>
#include <QString>

namespace korvalis {

/// The embedded tool-bar or navigation icon `name` (":/toolbar/NAME.png") with its drawing at
/// twice the size (NAME@2x.png), so a display scaled above 100 % shows it sharp instead of
/// enlarged.
QIcon embeddedIcon(const QString& name);

}  // namespace korvalis
