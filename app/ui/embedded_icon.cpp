#include "app/ui/embedded_icon.h"

namespace korvalis {

QIcon embeddedIcon(const QString& name) {
  const QString base = QStringLiteral(":/toolbar/") + name;
  QIcon icon;
  icon.addFile(base + QStringLiteral(".png"));
  icon.addFile(base + QStringLiteral("@2x.png"));
  return icon;
}

}  // namespace korvalis
