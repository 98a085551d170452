#include "platform/qt/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace korvalis {

bool installGermanTranslations(QCoreApplication& app) {
  // The translator lives as long as the application: it is the application's child.
  auto* translator = new QTranslator(&app);
  const QLocale german(QLocale::German, QLocale::Germany);
  if (!translator->load(german, QStringLiteral("qt"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace korvalis
