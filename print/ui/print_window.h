// The window "Drucken": a preview of the A4 sheet, four margin fields, the turn toggle, the
// printer list, and printing on a thread of its own.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/image.h"
#include "platform/platform.h"
#include "print/print_layout.h"

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace korvalis {

class PrintWindow : public QDialog {
  Q_OBJECT

 public:
  using HelpCallback = std::function<void()>;

  /// The margin fields, in the order of their array.
  enum Field { Top, Bottom, Left, Right };

  /// Prints `image`: disables `parent` (the main window), opens the print window at its
  /// position on `printerChoice` (the printer chosen in the window before) while that is
  /// installed and ready, else on the user's default printer, runs it modally and enables
  /// `parent` again when it is closed. A printer chosen in the list is written back to
  /// `printerChoice`; the user's default printer is left alone. Without a printer to start on
  /// it shows "Fehler!" / "Drucker nicht bereit." instead. A printer found in landscape is set
  /// to portrait first. `help` runs on F1.
  static void runPrintWindow(Platform& platform, const Image& image, HelpCallback help,
                             QWidget* parent, std::string& printerChoice);
  /// The same for a shared page image, which the window holds while it is open (the caller's
  /// page may be replaced meanwhile).
  static void runPrintWindow(Platform& platform, std::shared_ptr<const Image> image,
                             HelpCallback help, QWidget* parent, std::string& printerChoice);

  /// The window for printer `printer` whose page is `page` (portrait); `foundLandscape` says
  /// whether the printer was in landscape when the window was asked for (the close box puts
  /// it back). Use runPrintWindow; the constructor is public for tests.
  PrintWindow(Platform& platform, std::shared_ptr<const Image> image, std::string printer,
              PrinterPage page, bool foundLandscape, HelpCallback help, QWidget* parent);
  ~PrintWindow() override;

  // The controls and state, for keyboard access and tests.
  QSpinBox* marginField(Field field) const { return fields_[field]; }
  QToolButton* turnButton() const { return turn_; }
  QComboBox* printerList() const { return printers_; }
  QPushButton* printButton() const { return print_; }
  QPushButton* quitButton() const { return quit_; }
  QLabel* previewLabel() const { return preview_; }
  const PrintLayout& layout() const { return layout_; }
  const Image& previewImage() const { return previewImage_; }
  bool isPrinting() const { return printing_; }
  /// The printer chosen in the list while the window was open, "" when none was.
  const std::string& chosenPrinter() const { return chosenPrinter_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void buildControls();
  void fillPrinterList();
  void commitField(Field field);
  void returnInField(Field field);
  void choosePrinter(int index);
  void printPage();
  void runPrintJob();
  void updateLayout();

  Platform& platform_;
  std::shared_ptr<const Image> image_;
  Image previewSource_;
  Image previewImage_;
  std::string printer_;
  std::vector<PrinterEntry> entries_;
  std::string chosenPrinter_;
  std::string landscapePrinter_;  ///< the printer found in landscape at opening, or ""
  bool printing_ = false;
  HelpCallback help_;
  PrintLayout layout_;
  std::array<int, 4> accepted_{15, 15, 15, 15};

  std::array<QSpinBox*, 4> fields_{};
  QLabel* preview_ = nullptr;
  QToolButton* turn_ = nullptr;
  QComboBox* printers_ = nullptr;
  QPushButton* print_ = nullptr;
  QPushButton* quit_ = nullptr;
};

}  // namespace korvalis
