#include "platform/qt/qt_platform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "platform/qt/qt_file_filter.h"
#include "platform/qt/qt_image.h"
#include "platform/qt/qt_text.h"

namespace korvalis {

namespace {

/// File dialogs open in the detailed view, large enough that the name, size, type and date
/// columns are readable without widening the window first.
void sizeFileDialog(QFileDialog& dialog) {
  dialog.setViewMode(QFileDialog::Detail);
  const QSize wanted(820, 500);
  dialog.resize(dialog.sizeHint().expandedTo(wanted));
  // Name, size ("45,2 KiB"), type ("plain text document") and the date, each whole.
  for (QHeaderView* header : dialog.findChildren<QHeaderView*>()) {
    // Name, size and type wide enough to read ("Verzeichnis" whole); the date takes the rest.
    const int typeWidth = header->fontMetrics().horizontalAdvance(QStringLiteral("Verzeichnis"));
    const int widths[] = {300, 80, std::max(150, typeWidth + 24)};
    for (int section = 0; section < 3 && section < header->count(); ++section) {
      header->resizeSection(section, widths[section]);
    }
    header->setStretchLastSection(true);
  }
}

QMessageBox::Icon iconFor(MessageSign sign) {
  switch (sign) {
    case MessageSign::Information:
      return QMessageBox::Information;
    case MessageSign::Warning:
      return QMessageBox::Warning;
    case MessageSign::Error:
      return QMessageBox::Critical;
    case MessageSign::Question:
      return QMessageBox::Question;
    case MessageSign::None:
      break;
  }
  return QMessageBox::NoIcon;
}

/// The dialog's start directory: the given one when it exists, else the working directory.
QString startDirectory(std::string_view dir) {
  const QString path = pathToQString(dir);
  return !path.isEmpty() && QDir(path).exists() ? path : QDir::currentPath();
}

}  // namespace

// A dialog belongs to the window the user asked from: the modal window in front (a question of
// the print window), else the program's active window (the save window's folder dialog), else
// the main window. The window manager keeps it above that window.
QWidget* QtPlatform::dialogOwner() const {
  if (QWidget* modal = QApplication::activeModalWidget()) {
    return modal;
  }
  QWidget* active = QApplication::activeWindow();
  if (active != nullptr && active != helpPages_.get()) {
    const Qt::WindowType type = active->windowType();
    if (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool) {
      return active;
    }
  }
  return parent_;
}

MessageAnswer QtPlatform::messageBox(std::string_view title, std::string_view text,
                                     MessageSign sign, MessageButtons buttons) {
  QMessageBox box(iconFor(sign), toQString(title), toDisplayText(text), QMessageBox::NoButton,
                  dialogOwner());
  if (buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel) {
    const bool cancel = buttons == MessageButtons::YesNoCancel;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No |
                           (cancel ? QMessageBox::Cancel : QMessageBox::NoButton));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(cancel ? QMessageBox::Cancel : QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
    if (cancel) {
      box.button(QMessageBox::Cancel)->setText(QStringLiteral("Abbrechen"));
    }
  } else {
    box.setStandardButtons(QMessageBox::Ok);
  }
  box.setWindowModality(Qt::ApplicationModal);
  const int pressed = box.exec();
  if (buttons == MessageButtons::Ok) {
    return MessageAnswer::Ok;
  }
  if (pressed == QMessageBox::Cancel) {
    return MessageAnswer::Cancel;
  }
  return pressed == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

std::optional<std::string> QtPlatform::openFileDialog(std::string_view title,
                                                      std::string_view startDir,
                                                      std::string_view filter) {
  QFileDialog dialog(dialogOwner(), toQString(title), startDirectory(startDir));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(toQtNameFilters(filter));
  sizeFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return pathFromQString(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
}

std::optional<SaveDialogAnswer> QtPlatform::saveFileDialog(std::string_view title,
                                                           std::string_view startDir,
                                                           std::string_view filter,
                                                           std::string_view defaultName,
                                                           int preselectedFilter) {
  const QStringList filters = toQtNameFilters(filter);
  QFileDialog dialog(dialogOwner(), toQString(title), startDirectory(startDir));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(filters);
  if (preselectedFilter > 0 && preselectedFilter < filters.size()) {
    dialog.selectNameFilter(filters.at(preselectedFilter));
  }
  if (!defaultName.empty()) {
    dialog.selectFile(pathToQString(defaultName));
  }
  sizeFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  SaveDialogAnswer answer;
  answer.path = pathFromQString(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
  answer.filterIndex = std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
  return answer;
}

std::optional<std::string> QtPlatform::folderDialog(std::string_view title,
                                                    std::string_view startDir) {
  QFileDialog dialog(dialogOwner(), toQString(title), startDirectory(startDir));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  sizeFileDialog(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  QString chosen = dialog.selectedFiles().constFirst();
  while (chosen.size() > 1 && chosen.endsWith(QLatin1Char('/'))) {
    chosen.chop(1);
  }
  return pathFromQString(chosen);
}

std::string QtPlatform::askText(std::string_view title, std::string_view prompt,
                                std::string_view defaultText, int flags, int x, int y) {
  QInputDialog dialog(dialogOwner());
  dialog.setWindowTitle(toQString(title));
  dialog.setLabelText(toDisplayText(prompt));
  dialog.setTextValue(toQString(defaultText));
  dialog.setOkButtonText(QStringLiteral("OK"));
  dialog.setCancelButtonText(QStringLiteral("Abbrechen"));
  if ((flags & 1) != 0) {
    if (auto* field = dialog.findChild<QLineEdit*>()) {
      field->setAlignment(Qt::AlignCenter);
    }
  }
  if (x != 0 || y != 0) {
    dialog.move(x, y);
  }
  if (dialog.exec() != QDialog::Accepted) {
    return {};
  }
  return fromQString(dialog.textValue());
}

void QtPlatform::setClipboardText(std::string_view text) {
  QGuiApplication::clipboard()->setText(toQString(text));
}

std::string QtPlatform::clipboardText() {
  return fromQString(QGuiApplication::clipboard()->text());
}

void QtPlatform::setClipboardImage(const Image& image) {
  // One copy: the clipboard keeps its image after the caller's image is gone.
  QGuiApplication::clipboard()->setImage(toQImage(image));
}

Image QtPlatform::clipboardImage() {
  return fromQImage(QGuiApplication::clipboard()->image());
}

// Whether the desktop has a program for the file: without xdg-open nothing can open it, and
// xdg-mime names no default program for a type nobody handles. When the question cannot be
// asked, xdg-open is left to try.
bool hasDocumentHandler(std::string_view utf8Path) {
  const QString path = pathToQString(utf8Path);
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
  if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) {
    return false;
  }
  const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (xdgMime.isEmpty()) {
    return true;
  }
  QProcess query;
  query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                        QMimeDatabase().mimeTypeForFile(path).name()});
  if (!query.waitForFinished(2000)) {
    query.kill();
    query.waitForFinished(500);
    return true;
  }
  return !query.readAllStandardOutput().trimmed().isEmpty();
#else
  (void)path;
  return true;
#endif
}

void setWindowOwner(QWidget& window, QWidget& owner) {
  window.winId();  // creates the native window whose owner is set
  QWidget* ownerWindow = owner.window();
  ownerWindow->winId();
  if (QWindow* handle = window.windowHandle()) {
    handle->setTransientParent(ownerWindow->windowHandle());
  }
}

bool QtPlatform::openDocument(std::string_view path) {
  return hasDocumentHandler(path) &&
         QDesktopServices::openUrl(QUrl::fromLocalFile(pathToQString(path)));
}

void QtPlatform::showHelpPages(std::string_view indexPath) {
  if (!helpPages_) {
    // A window of its own (no parent widget), so it stays usable beside a disabled main
    // window; it belongs to the main window all the same, which it stays above. A dialog-type
    // window, as an X11 window manager is told the owner of dialog and tool windows only.
    helpPages_ = std::make_unique<QTextBrowser>();
    helpPages_->setWindowFlags(Qt::Dialog);
    helpPages_->setWindowTitle(QStringLiteral("Hilfe"));
    helpPages_->setOpenLinks(true);
    helpPages_->setOpenExternalLinks(true);  // web addresses go to the browser
    helpPages_->resize(760, 600);
    // Over the main window when there is one, else in the middle of the screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = parent_ != nullptr  ? parent_->frameGeometry()
                       : screen != nullptr ? screen->availableGeometry()
                                           : QRect();
    if (area.isValid()) {
      QRect place(QPoint(0, 0), helpPages_->size());
      place.moveCenter(area.center());
      helpPages_->move(place.topLeft());
    }
    QObject::connect(helpPages_.get(), &QTextBrowser::sourceChanged, helpPages_.get(),
                     [window = helpPages_.get()] {
                       const QString title = window->documentTitle();
                       window->setWindowTitle(title.isEmpty() ? QStringLiteral("Hilfe")
                                                              : QStringLiteral("Hilfe - ") + title);
                     });
  }
  helpPages_->setSource(QUrl::fromLocalFile(pathToQString(indexPath)));
  if (parent_ != nullptr) {
    setWindowOwner(*helpPages_, *parent_);
  }
  helpPages_->show();
  helpPages_->raise();
  helpPages_->activateWindow();
}

DisplayInfo QtPlatform::displayInfo() {
  DisplayInfo info;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    info.dpiX = screen->logicalDotsPerInchX();
    info.dpiY = screen->logicalDotsPerInchY();
  } else {
    info.dpiX = 0.0;
    info.dpiY = 0.0;
  }
  const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  info.messageFontFace = pathFromQString(QFontInfo(font).family());
  // Character height in pixels, negative as the system writes font heights.
  const double pixels = font.pixelSize() > 0
                            ? font.pixelSize()
                            : font.pointSizeF() * (info.dpiY >= 1.0 ? info.dpiY : 96.0) / 72.0;
  info.messageFontHeight = -static_cast<int>(std::lround(pixels));
  return info;
}

char QtPlatform::decimalSeparator() {
  const QString point = QLocale().decimalPoint();
  return point == QStringLiteral(",") ? ',' : '.';
}

int QtPlatform::timeZoneBiasMinutes() {
  // UTC = local time + bias, so the bias is the negated offset east of UTC (daylight saving
  // time included when it is in effect).
  return -QDateTime::currentDateTime().offsetFromUtc() / 60;
}

}  // namespace korvalis
