#include "tools/monkey/monkey_context.h"

#include <fstream>
#include <sstream>

namespace korvalis::monkey {

std::vector<CatalogueFilm> readCatalogue(const std::filesystem::path& file) {
  std::vector<CatalogueFilm> films;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line.front() == '#') {
      continue;
    }
    std::istringstream fields(line);
    CatalogueFilm film;
    std::string first;
    std::string last;
    if (std::getline(fields, film.id, '\t') && std::getline(fields, first, '\t') &&
        std::getline(fields, last, '\t') && std::getline(fields, film.firstApid, '\t')) {
      film.firstPage = std::stoi(first);
      film.lastPage = std::stoi(last);
      films.push_back(std::move(film));
    }
  }
  return films;
}

}  // namespace korvalis::monkey
