#pragma once

#include <QStringList>
#include <string_view>

namespace korvalis {

/// Turns a file-dialog filter as the program writes it ("label|pattern|label|pattern…",
/// Windows-1252, a trailing "|" allowed) into Qt name filters ("label (pattern)"), one per
/// label and pattern pair, in order, so the index of a Qt filter is the index of its pair.
/// Several patterns separated by ";" are listed with blanks; blanks around labels and
/// patterns are dropped. A label without a pattern gets "*".
QStringList toQtNameFilters(std::string_view filter);

}  // namespace korvalis
