// The korvalis desktop program: start-up steps, the main window, the event loop, shutdown.
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QLibraryInfo>
#include <QPushButton>
#include <QStatusBar>
#include <memory>

#include "app/app_state.h"
#include "app/app_state_init.h"
#include "app/archive_address.h"
#include "app/connection_monitor.h"
#include "app/display_scale.h"
#include "app/help.h"
#include "app/platform_gate.h"
#include "app/program_dir.h"
#include "app/site_reachability.h"
#include "app/startup_notice_text.h"
#include "app/ui/main_assembly.h"
#include "app/ui/main_window.h"
#include "app/ui/resize_watch.h"
#include "archive/event_codes.h"
#include "platform/qt/qt_event_target.h"
#include "platform/qt/qt_platform.h"
#include "records/load_outcome.h"
#include "records/ui/record_tree_view.h"
#include "records/ui/records_controller.h"

using namespace korvalis;

namespace {

constexpr long kMonitorTimeoutMs = 4000;

PlatformVersion currentPlatform() {
  return {parseVersion(qVersion()), kernelVersion()};
}

void applyDisplayScale(AppState& state, Platform& platform) {
  const DisplayScale scale = computeDisplayScale(platform.displayInfo(), ScaleRule::Resolution);
  state.scaleX = scale.scaleX;
  state.scaleY = scale.scaleY;
}

QString monitorText(MonitorIcon icon);

QIcon monitorIcon(MonitorIcon icon) {
  switch (icon) {
    case MonitorIcon::Connection:
      return QIcon(QStringLiteral(":/monitor/connection.png"));
    case MonitorIcon::NoConnection:
      return QIcon(QStringLiteral(":/monitor/no_connection.png"));
    case MonitorIcon::Idle:
      break;
  }
  return QIcon(QStringLiteral(":/monitor/idle.png"));
}

// The monitor's button shows the state of the connection to the archive's site.
void showMonitorState(QPushButton& button, MonitorIcon icon) {
  button.setIcon(monitorIcon(icon));
  button.setToolTip(monitorText(icon));
}

QString monitorText(MonitorIcon icon) {
  switch (icon) {
    case MonitorIcon::Connection:
      return QStringLiteral("Verbindung");
    case MonitorIcon::NoConnection:
      return QStringLiteral("Keine Verbindung");
    case MonitorIcon::Idle:
      break;
  }
  return QStringLiteral("Monitor aus");
}

// The start-up notice: mode 1 while starting, mode 2 around later loads, mode 0 closes it.
void showStartupNotice(std::unique_ptr<QLabel>& notice, int mode, const std::string& version) {
  if (mode != 1 && mode != 2) {
    notice.reset();
    return;
  }
  if (!notice) {
    notice = std::make_unique<QLabel>(nullptr, Qt::SplashScreen | Qt::WindowStaysOnTopHint);
    notice->setAlignment(Qt::AlignCenter);
    notice->setMargin(24);
  }
  notice->setText(QString::fromStdString(startupNoticeHtml(mode, version)));
  notice->adjustSize();
  notice->show();
}

}  // namespace

int main(int argc, char* argv[]) {
  AppState state;
  initialiseAppState(state);
  enterProgramDir(state, argc > 0 ? argv[0] : "");

  QApplication app(argc, argv);
  QtPlatform platform;
  if (!passPlatformGate(platform, currentPlatform())) {
    return 1;
  }
  applyDisplayScale(state, platform);
  state.siteUrl = archiveSiteUrl();

  MainWindow window(state);
  platform.setDialogParent(&window);
  const auto help = [&] { showHelp(platform, state); };
  window.setHelpHandler(help);

  RecordsController records(state, platform, &window, help);
  records.setMainView(&window);
  window.setTreeWidget(records.treeView());
  window.setRecordHooks([&] { records.followIdAndPage(); }, [&] { records.refreshEntryInfo(); });
  std::unique_ptr<QLabel> notice;
  // Loading again from the main window: the notice in mode 2 stays up while the file loads.
  window.setLoadRecordFileHandler([&] {
    showStartupNotice(notice, 2, state.version);
    const LoadOutcome outcome = records.loadRecordFile();
    showStartupNotice(notice, 0, state.version);
    if (outcome == LoadOutcome::Loaded) {
      records.afterLoad();
    } else if (outcome == LoadOutcome::EndProgram) {
      window.close();
    }
  });

  // Tool bar, navigation panel, page view, transfer engine and the command handler.
  MainAssembly assembly(state, platform, window, records);

  // The monitor's 24 x 24 toggle button stays at the window's inner top-right corner.
  auto* monitorButton = new QPushButton(&window);
  monitorButton->setFlat(true);
  monitorButton->setCheckable(true);
  monitorButton->setFixedSize(24, 24);
  monitorButton->setIconSize(QSize(24, 24));
  showMonitorState(*monitorButton, MonitorIcon::Idle);
  assembly.setMonitorButton(monitorButton);
  // The monitor's button stays at the window's inner top-right corner (x = width - 30, y = 5),
  // above the tool bar, whatever the window's size.
  const auto keepInCorner = [&window, monitorButton] {
    monitorButton->move(window.width() - 30, 5);
    monitorButton->raise();
  };
  keepInCorner();
  const ResizeWatch corner(window, keepInCorner, ResizeWatch::Timing::Immediately);
  auto target = window.eventTarget();
  window.setOtherEventHandler([monitorButton](int code, std::uintptr_t data) {
    if (code == kMonitorIconEvent) {
      showMonitorState(*monitorButton, static_cast<MonitorIcon>(data));
    }
  });
  const std::string site = state.siteUrl;
  const std::string ca = caBundleFile();
  const CurlGlobal curl;  // outlives the monitor's checks
  ConnectionMonitor monitor(
      [&curl, site, ca] { return checkSiteReachable(curl, site, ca, kMonitorTimeoutMs); },
      [target](MonitorIcon icon) {
        target->postEvent(kMonitorIconEvent, static_cast<std::uintptr_t>(icon));
      });
  QObject::connect(monitorButton, &QPushButton::clicked, &window, [&] {
    if (monitor.isRunning()) {
      monitor.stop();
      showMonitorState(*monitorButton, MonitorIcon::Idle);
    } else {
      monitor.start();
    }
  });
  window.setCloseHandler([&] { monitor.stop(); });

  window.showHtml(state.aboutHtml.empty() ? buildAboutHtml(state.version) : state.aboutHtml);
  window.show();
  showStartupNotice(notice, 1, state.version);
  // The record file is asked for at start; without one the program cannot work.
  const LoadOutcome loaded = records.loadRecordFile();
  showStartupNotice(notice, 0, state.version);
  if (loaded == LoadOutcome::EndProgram) {
    return 0;
  }
  if (loaded == LoadOutcome::Loaded) {
    records.afterLoad();
  }
  const int result = QApplication::exec();
  monitor.stop();
  return result;
}
