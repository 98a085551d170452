#include "app/ui/accessible_roles.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLatin1StringView>
#include <QWidget>

namespace korvalis {

namespace {

// The page view is a scroll area holding the page image: a screen reader announces it as a
// picture named "Seite". Qt owns the interface it is handed.
QAccessibleInterface* programInterface(const QString& className, QObject* object) {
  if (className == QLatin1StringView("korvalis::PageView") && object != nullptr &&
      object->isWidgetType()) {
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic,
                                 QStringLiteral("Seite"));
  }
  return nullptr;
}

}  // namespace

void installAccessibleRoles() {
  static const bool installed = [] {
    QAccessible::installFactory(programInterface);
    return true;
  }();
  static_cast<void>(installed);
}

}  // namespace korvalis
