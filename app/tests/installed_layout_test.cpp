#include <gtest/gtest.h>

#include <stdlib.h>
#include <filesystem>
#include <fstream>

#include "app/app_state_init.h"
#include "app/help.h"
#include "app/program_dir.h"
#include "app/program_state.h"
#include "app/user_folders.h"
#include "platform/file_io.h"
#include "platform/scripted/scripted_platform.h"
#include "records/record_loader.h"
#include "viewer/page_saving.h"

namespace korvalis {
namespace {

namespace fs = std::filesystem;

// The help and the sample are found beside the program (build folder) and in
// ../share/korvalis/ (installed), never under a fixed prefix.
TEST(InstalledLayout, DataFolderAndHelpBesideOrUnderShare) {
  char pattern[] = "/tmp/korvalis_layout_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path root = pattern;
  const auto touch = [](const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "";
  };
  const std::string bin = (root / "bin").string() + "/";
  fs::create_directories(bin);
  const std::string share = (root / "share/korvalis").string() + "/";

  // Nothing anywhere: the program's folder, and the help's warning.
  EXPECT_EQ(dataDirectory(bin), bin);
  // Installed: the help and the sample under share/korvalis.
  touch(root / "share/korvalis/WebHelp/Index.htm");
  EXPECT_EQ(dataDirectory(bin), share);
  EXPECT_EQ(dataDirectory(root.string() + "/bin"), share);  // with or without the last '/'
  AppState state;
  initialiseAppState(state);
  setProgramDir(state, bin);
  ScriptedPlatform platform;
  EXPECT_EQ(showHelp(platform, state), HelpShown::WebHelp);
  ASSERT_EQ(platform.openedDocuments().size(), 1U);
  EXPECT_EQ(platform.openedDocuments()[0], share + "WebHelp/Index.htm");

  // A sample alone also marks the folder; the program's own folder comes first (build folder).
  fs::remove_all(root / "share");
  touch(root / "share/korvalis/Beispiel.krv");
  EXPECT_EQ(dataDirectory(bin), share);
  touch(root / "bin/WebHelp/Index.htm");
  EXPECT_EQ(dataDirectory(bin), bin);
  platform.clearRecord();
  EXPECT_EQ(showHelp(platform, state), HelpShown::WebHelp);
  ASSERT_EQ(platform.openedDocuments().size(), 1U);
  EXPECT_EQ(platform.openedDocuments()[0], bin + "WebHelp/Index.htm");

  fs::remove_all(root);
}

// A user's desktop in a folder of its own: home with a pictures and a documents folder named in
// user-dirs.dirs, and the configuration and state folders.
struct Desktop {
  fs::path root;
  UserFolders user;

  Desktop() {
    char pattern[] = "/tmp/korvalis_desktop_XXXXXX";
    root = mkdtemp(pattern) != nullptr ? fs::path(pattern) : fs::path();
    user = {folder("home"), folder("config"), folder("state")};
    fs::create_directories(root / "home/Bilder");
    fs::create_directories(root / "home/Dokumente");
    fs::create_directories(root / "bin");
    fs::create_directories(root / "share/korvalis");
    fs::copy_file(fs::path(KORVALIS_TEST_SOURCE_DIR) / "data/Beispiel.krv",
                  root / "share/korvalis/Beispiel.krv");
    // One entry under $HOME, one absolute, as the user-dirs tools write them.
    writeUserDirs(
        "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n"
        "XDG_DOCUMENTS_DIR=\"" +
        folder("home") + "Dokumente\"\n");
  }
  ~Desktop() { fs::remove_all(root); }
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  std::string folder(const std::string& name) const { return (root / name).string() + "/"; }
  void writeUserDirs(const std::string& text) const {
    fs::create_directories(root / "config");
    ASSERT_TRUE(writeFileAtomically(root / "config/user-dirs.dirs", text));
  }
  AppState start() const {
    AppState state;
    initialiseAppState(state);
    chooseStartFolders(state, folder("bin"), user);
    return state;
  }
};

class NoSettingsAsked final : public EncoderSettingsAsker {
 public:
  std::optional<EncoderSettings> askEncoderSettings(SaveType /*type*/, bool /*kept*/) override {
    return std::nullopt;
  }
};

// An installed program (its data under ../share/korvalis): the record-file dialog starts at the
// sample, the page save dialog in the pictures folder, the link and save-list dialogs in the
// documents folder; the folders the user went to are where the dialogs start at the next start.
TEST(InstalledLayout, DialogsStartInTheUsersFoldersAndKeepTheirFoldersAcrossStarts) {
  const Desktop desktop;
  ASSERT_FALSE(desktop.root.empty());
  const std::string home = desktop.folder("home");
  AppState state = desktop.start();
  EXPECT_TRUE(state.rememberDialogFolders);
  EXPECT_EQ(state.session.recordDir, desktop.folder("share/korvalis"));
  EXPECT_EQ(state.pageSaveDir, home + "Bilder/");
  EXPECT_EQ(state.linkDir, home + "Dokumente/");
  EXPECT_EQ(state.saveListDir, home + "Dokumente/");

  // The first record-file dialog offers the sample; a record file chosen elsewhere moves it.
  ScriptedPlatform platform;
  const fs::path records = desktop.root / "home/Dokumente/Akten";
  fs::create_directories(records);
  fs::copy_file(desktop.root / "share/korvalis/Beispiel.krv", records / "Beispiel.krv");
  platform.queueOpenFile((records / "Beispiel.krv").string());
  EXPECT_FALSE(chooseRecordFile(platform, state.session, "").path.empty());
  ASSERT_EQ(platform.dialogs().size(), 1U);
  EXPECT_EQ(platform.dialogs()[0].startDir, desktop.folder("share/korvalis"));

  // A page saved into a folder of its own.
  const fs::path pages = desktop.root / "home/Bilder/Seiten";
  fs::create_directories(pages);
  const std::vector<std::uint8_t> bytes{0xFF, 0xD8, 0xFF, 0xD9};
  const Image image(1, 1);
  NoSettingsAsked asker;
  const PageSaveServices services{platform, asker, [](std::string_view) {},
                                  [](const std::string&, const PageSource&) {}};
  platform.queueSaveFile(SaveDialogAnswer{(pages / "seite.jpg").string(), 1});
  EXPECT_EQ(saveDisplayedPage(services,
                              PageSource{makePageBytes(bytes), makeSharedImage(image),
                                         makeSharedImage(image), false},
                              state.pageSaveDir),
            PageSaveResult::Saved);
  EXPECT_EQ(platform.dialogs().back().startDir, home + "Bilder/");
  state.saveListDir = home + "Dokumente/Akten/";  // as the save window hands it back at the end
  // The state file also keeps the printer chosen: saving the folders leaves it there.
  fs::create_directories(desktop.root / "state/korvalis");
  std::ofstream(desktop.root / "state/korvalis/state") << "printer=Buero\nsaveListDir=/alt/\n";
  ASSERT_TRUE(saveDialogFolders(state, desktop.user));
  const std::string kept = readWholeFile(desktop.root / "state/korvalis/state").value_or("");
  EXPECT_EQ(stateValue(kept, "printer"), std::optional<std::string>("Buero"));
  EXPECT_EQ(stateValue(kept, "saveListDir"), std::optional<std::string>(home + "Dokumente/Akten/"));

  // The next start: every dialog where the user left it.
  AppState next = desktop.start();
  EXPECT_EQ(next.session.recordDir, records.string() + "/");
  EXPECT_EQ(next.pageSaveDir, pages.string() + "/");
  EXPECT_EQ(next.linkDir, home + "Dokumente/");
  EXPECT_EQ(next.saveListDir, home + "Dokumente/Akten/");
  platform.clearRecord();
  platform.queueOpenFile(std::nullopt);
  chooseRecordFile(platform, next.session, "");
  ASSERT_EQ(platform.dialogs().size(), 1U);
  EXPECT_EQ(platform.dialogs()[0].startDir, records.string() + "/");

  // A kept folder that is gone, and user dirs that name none, fall back: the pictures folder,
  // then home.
  fs::remove_all(pages);
  EXPECT_EQ(desktop.start().pageSaveDir, home + "Bilder/");
  desktop.writeUserDirs("XDG_PICTURES_DIR=\"$HOME/Fehlt\"\nXDG_DOCUMENTS_DIR=\"relativ\"\n");
  fs::remove(desktop.root / "state/korvalis/state");
  AppState bare = desktop.start();
  EXPECT_EQ(bare.pageSaveDir, home);
  EXPECT_EQ(bare.linkDir, home);
  fs::remove(desktop.root / "config/user-dirs.dirs");
  EXPECT_EQ(desktop.start().saveListDir, home);

  // Without a home folder only the record-file dialog moves (to the sample).
  UserFolders homeless;
  AppState lost;
  initialiseAppState(lost);
  chooseStartFolders(lost, desktop.folder("bin"), homeless);
  EXPECT_EQ(lost.session.recordDir, desktop.folder("share/korvalis"));
  EXPECT_EQ(lost.pageSaveDir, desktop.folder("bin"));
  EXPECT_FALSE(lost.rememberDialogFolders);

  // The build folder (help beside the program) keeps every dialog in the program's folder and
  // reads no state file.
  ASSERT_TRUE(saveDialogFolders(next, desktop.user));
  fs::create_directories(desktop.root / "bin/WebHelp");
  std::ofstream(desktop.root / "bin/WebHelp/Index.htm") << "";
  const AppState build = desktop.start();
  EXPECT_FALSE(build.rememberDialogFolders);
  for (const std::string* dir :
       {&build.session.recordDir, &build.pageSaveDir, &build.linkDir, &build.saveListDir}) {
    EXPECT_EQ(*dir, desktop.folder("bin"));
  }
}

// The state file and user-dirs.dirs come from $XDG_STATE_HOME and $XDG_CONFIG_HOME, else from
// below $HOME.
TEST(InstalledLayout, UserFoldersFollowTheEnvironment) {
  const std::string saved[] = {getenv("HOME") ? getenv("HOME") : "",
                               getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "",
                               getenv("XDG_STATE_HOME") ? getenv("XDG_STATE_HOME") : ""};
  setenv("HOME", "/home/leser", 1);
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_STATE_HOME");
  UserFolders user = userFoldersFromEnvironment();
  EXPECT_EQ(user.home, "/home/leser/");
  EXPECT_EQ(user.configHome, "/home/leser/.config/");
  EXPECT_EQ(dialogStateFile(user), fs::path("/home/leser/.local/state/korvalis/state"));
  setenv("XDG_CONFIG_HOME", "/etc/leser", 1);
  setenv("XDG_STATE_HOME", "relative/state", 1);  // not absolute: ignored
  user = userFoldersFromEnvironment();
  EXPECT_EQ(user.configHome, "/etc/leser/");
  EXPECT_EQ(user.stateHome, "/home/leser/.local/state/");
  setenv("HOME", "", 1);
  EXPECT_TRUE(userFoldersFromEnvironment().home.empty());
  for (const auto& [name, value] :
       {std::pair{"HOME", saved[0]}, {"XDG_CONFIG_HOME", saved[1]}, {"XDG_STATE_HOME", saved[2]}}) {
    if (value.empty()) {
      unsetenv(name);
    } else {
      setenv(name, value.c_str(), 1);
    }
  }
}

}  // namespace
}  // namespace korvalis
