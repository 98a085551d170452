#include "platform/qt/qt_file_filter.h"

#include "platform/qt/qt_text.h"

namespace korvalis {

QStringList toQtNameFilters(std::string_view filter) {
  QStringList parts = toQString(filter).split(QLatin1Char('|'));
  if (!parts.isEmpty() && parts.last().trimmed().isEmpty()) {
    parts.removeLast();
  }
  QStringList result;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    const QString label = parts[i].trimmed();
    QString pattern = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
    pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
    pattern = pattern.simplified();
    if (pattern.isEmpty()) {
      pattern = QStringLiteral("*");
    }
    result.append(QStringLiteral("%1 (%2)").arg(label, pattern));
  }
  return result;
}

}  // namespace korvalis
