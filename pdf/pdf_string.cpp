#include "pdf/pdf_string.h"

namespace korvalis {

std::string pdfString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('(');
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    switch (byte) {
      case 8:
        out += "\\b";
        break;
      case 9:
        out += "\\t";
        break;
      case 10:
        out += "\\n";
        break;
      case 12:
        out += "\\f";
        break;
      case 13:
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '(':
        out += "\\(";
        break;
      case ')':
        out += "\\)";
        break;
      default:
        if (byte >= 128) {
          out.push_back('\\');
          out.push_back(static_cast<char>('0' + (byte >> 6)));
          out.push_back(static_cast<char>('0' + ((byte >> 3) & 7)));
          out.push_back(static_cast<char>('0' + (byte & 7)));
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back(')');
  return out;
}

}  // namespace korvalis
