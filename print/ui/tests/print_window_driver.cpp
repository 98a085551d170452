// Drives the print window as a user would, for the CUPS test and the screenshots:
//   print_window_driver cups IMAGE PRINTER [--turn]   chooses PRINTER in the list, optionally
//       presses the turn toggle, presses "Drucken" (answering Yes to a question) and prints
//       each message box and the layout's page size to standard output;
//   print_window_driver shot OUT.png [--turn]        a screenshot of the window with a scripted
//       printer list.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/qt/qt_platform.h"
#include "platform/scripted/scripted_platform.h"
#include "print/ui/print_window.h"
#include "viewer/image_codec.h"

using namespace korvalis;

namespace {

/// The desktop platform with message boxes answered Yes and written to standard output.
class AnsweringPlatform : public QtPlatform {
 public:
  MessageAnswer messageBox(std::string_view title, std::string_view text, MessageSign,
                           MessageButtons buttons) override {
    std::cout << "message: " << title << " / " << text << std::endl;
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
  }
};

PrintWindow* openWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<PrintWindow*>(w); window != nullptr && window->isVisible()) {
      return window;
    }
  }
  return nullptr;
}

/// Runs `act` on the window once it is shown.
void whenShown(std::function<void(PrintWindow&)> act) {
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    if (PrintWindow* w = openWindow()) {
      poll->stop();
      poll->deleteLater();
      act(*w);
    }
  });
  poll->start(20);
}

Image gradientPage() {
  Image img(1200, 800);
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      img.setPixel(x, y, makePixel(40 + x * 180 / 1200, 60 + y * 150 / 800, 150));
    }
  }
  return img;
}

int printThroughCups(const std::string& imagePath, const QString& printer, bool turn) {
  const auto decoded = decodeImageFile(imagePath);
  if (!decoded.ok()) {
    std::cerr << imagePath << ": " << decoded.error << "\n";
    return 1;
  }
  AnsweringPlatform platform;
  whenShown([printer, turn](PrintWindow& w) {
    const int index = w.printerList()->findText(printer);
    w.printerList()->setCurrentIndex(index);
    emit w.printerList()->activated(index);
    if (turn) {
      w.turnButton()->click();
    }
    std::cout << "page " << w.layout().pageWidth << " " << w.layout().pageHeight << std::endl;
    w.printButton()->click();
  });
  std::string choice;
  PrintWindow::runPrintWindow(platform, decoded.image, {}, nullptr, choice);
  std::cout << "chosen " << choice << std::endl;
  return 0;
}

int screenshot(const QString& out, bool turn) {
  ScriptedPlatform platform;
  platform.printers = {{{"Buero", "Laser 5", "ipp://drucker.local/ipp/print"}, {4960, 7016, 600}},
                       {{"Korvalis_PDF", "Generic PDF", "file:///dev/null"}, {2480, 3508, 300}}};
  platform.defaultPrinter = "Buero";
  bool saved = false;
  whenShown([&](PrintWindow& w) {
    if (turn) {
      w.turnButton()->click();
    }
    QTimer::singleShot(200, &w, [&saved, &w, out] {
      saved = w.grab().save(out);
      w.quitButton()->click();
    });
  });
  std::string choice;
  PrintWindow::runPrintWindow(platform, gradientPage(), {}, nullptr, choice);
  return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  const bool turn = args.contains(QStringLiteral("--turn"));
  if (args.size() >= 3 && args[0] == QStringLiteral("cups")) {
    return printThroughCups(args[1].toStdString(), args[2], turn);
  }
  if (args.size() >= 2 && args[0] == QStringLiteral("shot")) {
    return screenshot(args[1], turn);
  }
  std::cerr << "usage: print_window_driver cups IMAGE PRINTER [--turn] | shot OUT.png [--turn]\n";
  return 2;
}
