// The korvalis desktop program: the command line, start values, the platform gate, the
// program, the event loop.
#include <QApplication>
#include <QIcon>
#include <iostream>

#include "app/app_state.h"
#include "app/app_state_init.h"
#include "app/command_line.h"
#include "app/platform_gate.h"
#include "app/program_dir.h"
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "app/user_folders.h"
#include "archive/archive_address.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_translations.h"

using namespace korvalis;

namespace {

// The icon theme's program icon (installed with the program), else the embedded drawing.
QIcon programIcon() {
  QIcon embedded;
  for (const int size : {16, 32, 48, 128, 256}) {
    embedded.addFile(QStringLiteral(":/program/korvalis-%1.png").arg(size), QSize(size, size));
  }
  return QIcon::fromTheme(QStringLiteral("korvalis"), embedded);
}

}  // namespace

int main(int argc, char* argv[]) {
  // Read before anything changes the working directory: a relative record file is taken
  // against the folder the program was started in.
  const CommandLine command = parseCommandLine(argc, argv);
  switch (command.action) {
    case CommandLine::Action::ShowVersion:
      std::cout << versionText();
      return 0;
    case CommandLine::Action::ShowHelp:
      std::cout << commandLineUsage();
      return 0;
    case CommandLine::Action::UsageError:
      std::cerr << "korvalis: " << command.error << "\n" << commandLineUsage();
      return 2;
    case CommandLine::Action::Start:
      break;
  }

  AppState state;
  initialiseAppState(state);
  enterProgramDir(state, argc > 0 ? argv[0] : "");

  QApplication app(argc, argv);
  // The toolkit's own texts (dialog buttons, the file dialog) in German like the program's.
  installGermanTranslations(app);
  QApplication::setWindowIcon(programIcon());
  // The menu entry's name, so a desktop shows the entry's icon and name for the window.
  QGuiApplication::setDesktopFileName(QStringLiteral("invalid.korvalis.korvalis"));
  QtPlatform platform;
  if (!passPlatformGate(platform, {parseVersion(qVersion()), kernelVersion()})) {
    return 1;
  }
  reportSettingsFault(platform);
  Program program(state, platform);
  platform.setDialogParent(&program.mainWindow());
  if (!program.start(command.recordFile)) {
    return 0;
  }
  const int exitCode = QApplication::exec();
  if (state.rememberDialogFolders) {
    saveDialogFolders(state, userFoldersFromEnvironment());
  }
  return exitCode;
}
