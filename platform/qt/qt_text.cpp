#include "platform/qt/qt_text.h"

#include <QByteArray>

#include "platform/cp1252.h"

namespace korvalis {

QString toQString(std::string_view text) {
  QString result;
  result.reserve(static_cast<qsizetype>(text.size()));
  for (const char c : text) {
    const char32_t code = cp1252ToUnicode(static_cast<unsigned char>(c));
    // Every Windows-1252 code point lies in the Basic Multilingual Plane.
    result.append(QChar(static_cast<char16_t>(code)));
  }
  return result;
}

std::string fromQString(const QString& text) {
  std::string result;
  result.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ++i;  // beyond the Basic Multilingual Plane: never in Windows-1252
      result.push_back('?');
      continue;
    }
    const auto byte = unicodeToCp1252(c.unicode());
    result.push_back(byte ? static_cast<char>(*byte) : '?');
  }
  return result;
}

QString toDisplayText(std::string_view text) {
  QString shown = toQString(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

QString pathToQString(std::string_view utf8Path) {
  return QString::fromUtf8(utf8Path.data(), static_cast<qsizetype>(utf8Path.size()));
}

std::string pathFromQString(const QString& path) {
  const QByteArray bytes = path.toUtf8();
  return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace korvalis
