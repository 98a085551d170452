#pragma once

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/main_view.h"

class QFrame;
class QLineEdit;
class QLabel;
class QProgressBar;
class QScrollArea;
class QStackedWidget;
class QTextBrowser;
class QVBoxLayout;

namespace korvalis {

struct AppState;
class QtEventTarget;

/// The main window's frame: title " Korvalis", the left column (record tree above the
/// navigation panel's area, 220 x scaleX wide), on the right the HTML view or the page view
/// (switched by setImageMode), and the status bar with its four fields. Implements MainView
/// for the cores. Its posted events (EventTarget) arrive in handlePostedEvent() on the
/// user-interface thread; the close request runs the closing steps given by the shell.
class MainWindow : public QMainWindow, public MainView {
  Q_OBJECT

 public:
  /// Builds the window hidden at (10, 10) with inner size 1024 x 768, minimum 640 x 480.
  explicit MainWindow(AppState& state, QWidget* parent = nullptr);
  ~MainWindow() override;

  // MainView
  void setStatusText(int field, std::string_view text) override;
  std::string statusText(int field) const override;
  void setProgressRange(int maximum) override;
  void setProgressValue(int value) override;
  std::string apidField() const override;
  void setApidField(std::string_view text) override;
  std::string idField() const override;
  void setIdField(std::string_view text) override;
  std::string pageField() const override;
  void setPageField(std::string_view text) override;
  void showHtml(std::string_view html) override;
  void setImageMode(int mode) override;
  void followIdAndPage() override;
  void refreshEntryInfo() override;

  /// The target that workers post this window's events to (completion events, progress).
  std::shared_ptr<QtEventTarget> eventTarget() const { return eventTarget_; }

  /// The main window's handler for its posted events: progress values go to the progress
  /// field; completion events (65536-65538) go to the completion handler; others are dropped.
  void handlePostedEvent(int code, std::uintptr_t data);
  /// Who carries out completion events of the transfer engine (the main window's commands).
  void setCompletionHandler(std::function<void(int code, std::uintptr_t job)> handler);

  /// Puts the record tree into the left column (above the navigation area).
  void setTreeWidget(QWidget* tree);
  /// Who carries out followIdAndPage() and refreshEntryInfo() (the records controller).
  void setRecordHooks(std::function<void()> follow, std::function<void()> refresh) {
    followIdAndPage_ = std::move(follow);
    refreshEntryInfo_ = std::move(refresh);
  }
  /// Receives posted events that are neither progress nor completion events.
  void setOtherEventHandler(std::function<void(int, std::uintptr_t)> handler) {
    otherEvents_ = std::move(handler);
  }
  /// Replaces the built-in page area by the page viewer (shown while the image mode is not 0).
  void setPageView(QWidget* view);
  /// The left column's layout: tree first, the navigation area below.
  QVBoxLayout* leftColumnLayout() const { return leftLayout_; }
  /// Replaces the navigation area's placeholder by the navigation panel.
  void setNavigationPanel(QWidget* panel);
  /// The navigation panel's three fields; once given, the MainView field accessors read and
  /// write them (until then the window keeps the texts itself).
  void setFieldEditors(QLineEdit* apid, QLineEdit* id, QLineEdit* page);
  /// Shows or hides the tree and the navigation area (the later tool bar's toggles).
  void setTreeShown(bool shown);
  void setNavigationShown(bool shown);

  /// Runs on F1 and on the "Hilfe" command.
  /// Runs after every image-mode change (the tool bar enables or disables its page tools).
  void setImageModeHandler(std::function<void(int mode)> handler) {
    imageModeHandler_ = std::move(handler);
  }
  void setHelpHandler(std::function<void()> help) { help_ = std::move(help); }
  /// Runs on the close request (the closing steps); the window then closes.
  void setCloseHandler(std::function<void()> onClose) { onClose_ = std::move(onClose); }
  /// Runs the "Datendatei laden" command (for the tool bar).
  void setLoadRecordFileHandler(std::function<void()> load) { loadRecordFile_ = std::move(load); }
  /// The "Datendatei laden" command.
  void loadRecordFileCommand();
  /// The "Hilfe" command (also F1).
  void helpCommand();

  // Parts for the page viewer and tests.
  QTextBrowser* htmlView() const { return htmlView_; }
  QScrollArea* pageArea() const { return pageArea_; }
  QLabel* pageLabel() const { return pageLabel_; }
  QWidget* leftColumn() const { return leftColumn_; }
  QFrame* navigationArea() const { return navigationArea_; }
  QProgressBar* progressBar() const { return progress_; }
  /// The label of status field 0, 1 or 3 (nullptr for 2, the progress field).
  QLabel* statusField(int field) const;
  int progressMaximum() const;
  int imageMode() const { return imageMode_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void buildLeftColumn();
  void buildRightArea();
  void buildStatusBar();
  void updateLeftColumn();

  AppState& state_;
  std::shared_ptr<QtEventTarget> eventTarget_;
  std::function<void(int, std::uintptr_t)> completionHandler_;
  std::function<void()> help_;
  std::function<void()> onClose_;
  std::function<void()> loadRecordFile_;
  std::function<void()> followIdAndPage_;
  std::function<void()> refreshEntryInfo_;
  std::function<void(int, std::uintptr_t)> otherEvents_;

  QWidget* leftColumn_ = nullptr;
  QVBoxLayout* leftLayout_ = nullptr;
  QWidget* tree_ = nullptr;
  QFrame* navigationArea_ = nullptr;
  QStackedWidget* rightStack_ = nullptr;
  QTextBrowser* htmlView_ = nullptr;
  QScrollArea* pageArea_ = nullptr;
  QLabel* pageLabel_ = nullptr;
  QLabel* statusFields_[4] = {nullptr, nullptr, nullptr, nullptr};
  QProgressBar* progress_ = nullptr;
  int imageMode_ = 0;
  bool closing_ = false;

  // The navigation panel's three fields, kept here until the panel is wired in.
  std::function<void(int)> imageModeHandler_;
  QLineEdit* apidEdit_ = nullptr;
  QLineEdit* idEdit_ = nullptr;
  QLineEdit* pageEdit_ = nullptr;
  std::string apid_;
  std::string id_;
  std::string page_;
};

}  // namespace korvalis
