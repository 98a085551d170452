// What every part of the monkey works with: the assembled program and its scripted platform,
// the random source, the log, the dialog answers and the saves waiting for their check.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tools/monkey/page_consistency.h"
#include "tools/monkey/saved_file_check.h"

namespace korvalis {
class Program;
class ScriptedPlatform;
struct AppState;
}  // namespace korvalis

namespace korvalis::monkey {

class ActionLog;
class DialogAnswerer;

/// One film of the test archive's catalogue: ID, first and last page, its first image's APID.
struct CatalogueFilm {
  std::string id;
  int firstPage = 1;
  int lastPage = 1;
  std::string firstApid;
};

struct MonkeyContext {
  Program& program;
  AppState& state;
  ScriptedPlatform& platform;
  DialogAnswerer& answers;
  ActionLog& log;
  std::mt19937_64& random;
  std::vector<CatalogueFilm> films;
  std::filesystem::path outFolder;
  /// Saves asked for and not yet checked (a PDF once its export window has closed).
  std::vector<ExpectedSave> pendingSaves;
  int saveCount = 0;
  PageConsistency pages;

  /// A number in [low, high].
  int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
  bool chance(int percent) { return uniform(0, 99) < percent; }
};

/// The films of the catalogue file the test archive server serves.
std::vector<CatalogueFilm> readCatalogue(const std::filesystem::path& file);

}  // namespace korvalis::monkey
