// The korvalis desktop program: start values, the platform gate, the program, the event loop.
#include <QApplication>

#include "app/app_state.h"
#include "app/app_state_init.h"
#include "app/platform_gate.h"
#include "app/program_dir.h"
#include "app/ui/main_window.h"
#include "app/ui/program.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_translations.h"

using namespace korvalis;

int main(int argc, char* argv[]) {
  AppState state;
  initialiseAppState(state);
  enterProgramDir(state, argc > 0 ? argv[0] : "");

  QApplication app(argc, argv);
  installGermanTranslations(app);
  QtPlatform platform;
  if (!passPlatformGate(platform, {parseVersion(qVersion()), kernelVersion()})) {
    return 1;
  }
  Program program(state, platform);
  platform.setDialogParent(&program.mainWindow());
  if (!program.start()) {
    return 0;
  }
  return QApplication::exec();
}
