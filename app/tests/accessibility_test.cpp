// The windows as a screen reader and a keyboard user meet them, in the assembled program: every
// control of every window has an accessible name and a role, and in the main window, the save
// window, the print window and the PDF export window every enabled control is reached with Tab.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <functional>

#include "app/tests/assembled_program.h"
#include "batch/ui/save_window.h"
#include "print/ui/pdf_export_window.h"
#include "print/ui/print_window.h"
#include "records/ui/info_window.h"
#include "records/ui/search_window.h"
#include "viewer/ui/encoder_settings_window.h"
#include "viewer/ui/post_process_window.h"

using namespace korvalis;
using korvalis::testing::ArchiveEnvironment;
using korvalis::testing::AssembledWindow;

namespace {

// A control the user clicks or types into. Scroll bars are parts of the view they scroll,
// which takes the keys that move it.
bool isControl(const QWidget& w) {
  if (qobject_cast<const QScrollBar*>(&w) != nullptr ||
      qobject_cast<const QHeaderView*>(&w) != nullptr) {
    return false;
  }
  return qobject_cast<const QAbstractButton*>(&w) != nullptr ||
         qobject_cast<const QLineEdit*>(&w) != nullptr ||
         qobject_cast<const QAbstractSpinBox*>(&w) != nullptr ||
         qobject_cast<const QComboBox*>(&w) != nullptr ||
         qobject_cast<const QAbstractItemView*>(&w) != nullptr ||
         qobject_cast<const QAbstractSlider*>(&w) != nullptr;
}

bool takesFocus(const QWidget& w) {
  return (w.focusPolicy() & Qt::TabFocus) != 0 && w.isEnabled();
}

// Where a control sits, for the failure message: its class, object name and parents.
QString describe(const QWidget& w) {
  QString path = QString::fromLatin1(w.metaObject()->className());
  if (!w.objectName().isEmpty()) {
    path += QLatin1Char('#') + w.objectName();
  }
  if (const auto* field = qobject_cast<const QLineEdit*>(&w); field != nullptr) {
    path += QStringLiteral(" \"") + field->placeholderText() + QLatin1Char('"');
  }
  if (!w.toolTip().isEmpty()) {
    path += QStringLiteral(" [") + w.toolTip() + QLatin1Char(']');
  }
  for (const QWidget* p = w.parentWidget(); p != nullptr; p = p->parentWidget()) {
    path += QStringLiteral(" in ") + QString::fromLatin1(p->metaObject()->className());
    if (p->isWindow()) {
      break;
    }
  }
  return path;
}

// The editor inside a spin box or combo box, which takes the focus for it: the box carries the
// name, and Tab reaching the editor reaches the box.
bool isInnerEditor(const QWidget& w) {
  const QWidget* box = w.parentWidget();
  return box != nullptr && (qobject_cast<const QAbstractSpinBox*>(box) != nullptr ||
                            qobject_cast<const QComboBox*>(box) != nullptr);
}

// The shown controls of `window` (its own, not those of the windows it owns) that a user
// clicks or focuses.
QList<QWidget*> shownControls(QWidget& window) {
  QList<QWidget*> found;
  for (QWidget* w : window.findChildren<QWidget*>()) {
    if (w->window() == &window && w->isVisible() && !isInnerEditor(*w) &&
        (isControl(*w) || takesFocus(*w))) {
      found.append(w);
    }
  }
  return found;
}

// The controls without an accessible name, or with no role of their own (the generic
// "client" role tells a screen reader nothing), or with the name of another control of the
// same role in the window (two fields both called after their frame, two ">>" buttons).
QStringList unnamedControls(QWidget& window) {
  QStringList unnamed;
  QMap<QPair<int, QString>, const QWidget*> named;
  for (QWidget* w : shownControls(window)) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (iface == nullptr) {
      continue;
    }
    const QPair<int, QString> key(iface->role(), iface->text(QAccessible::Name).trimmed());
    if (key.second.isEmpty()) {
      continue;
    }
    if (const QWidget* other = named.value(key); other != nullptr) {
      unnamed << describe(*w) + QStringLiteral(" (named \"") + key.second +
                     QStringLiteral("\" like ") + describe(*other) + QLatin1Char(')');
    }
    named.insert(key, w);
  }
  for (QWidget* w : shownControls(window)) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (iface == nullptr) {
      unnamed << describe(*w) + QStringLiteral(" (no interface)");
    } else if (iface->text(QAccessible::Name).trimmed().isEmpty()) {
      unnamed << describe(*w);
    } else if (iface->role() == QAccessible::Client || iface->role() == QAccessible::NoRole) {
      unnamed << describe(*w) + QStringLiteral(" (no role: ") + iface->text(QAccessible::Name) +
                     QLatin1Char(')');
    }
  }
  return unnamed;
}

// Whether `w` keeps Tab for itself: a table that moves between its cells with Tab, a text
// editor that types it.
bool keepsTab(const QWidget& w) {
  if (const auto* view = qobject_cast<const QAbstractItemView*>(&w)) {
    return view->tabKeyNavigation() && view->model() != nullptr && view->model()->rowCount() > 0;
  }
  if (const auto* edit = qobject_cast<const QTextEdit*>(&w)) {
    return !edit->tabChangesFocus() && !edit->isReadOnly();
  }
  if (const auto* edit = qobject_cast<const QPlainTextEdit*>(&w)) {
    return !edit->tabChangesFocus() && !edit->isReadOnly();
  }
  return false;
}

// The widgets Tab reaches in `window`, in the order it reaches them: Qt's focus chain, the
// widgets that take the focus with Tab, are shown and enabled. The walk ends at a widget that
// keeps Tab (a trap).
QList<QWidget*> tabChain(QWidget& window, QWidget** trap = nullptr) {
  QList<QWidget*> reached;
  for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain()) {
    if (w->window() != &window || !w->isVisible() || !takesFocus(*w) || reached.contains(w)) {
      continue;
    }
    reached.append(w);
    if (keepsTab(*w)) {
      if (trap != nullptr) {
        *trap = w;
      }
      break;
    }
  }
  return reached;
}

// The enabled controls of `window` that Tab does not reach.
QStringList unreachableControls(QWidget& window) {
  QWidget* trap = nullptr;
  const QList<QWidget*> reached = tabChain(window, &trap);
  QStringList missing;
  if (trap != nullptr) {
    missing << QStringLiteral("Tab stays in ") + describe(*trap);
  }
  for (QWidget* w : shownControls(window)) {
    if (w->isEnabled() && !reached.contains(w)) {
      missing << describe(*w);
    }
  }
  return missing;
}

// Where Tab goes against the layout in the main window: the tool bar's buttons left to right,
// then the tree, then the navigation panel row by row and left to right, then the page.
QStringList outOfLayoutOrder(AssembledWindow& w) {
  QList<QWidget*> chain = tabChain(w.window);
  const auto isTool = [](const QWidget* c) {
    return qobject_cast<const QToolBar*>(c->parentWidget()) != nullptr;
  };
  // The walk is a circle: start it at the tool bar's first button.
  const auto first = std::find_if(chain.begin(), chain.end(), isTool);
  if (first == chain.end()) {
    return {QStringLiteral("Tab reaches no tool bar button")};
  }
  std::rotate(chain.begin(), first, chain.end());
  QStringList wrong;
  qsizetype at = 0;
  int lastX = -1;
  for (; at < chain.size() && isTool(chain[at]); ++at) {
    if (chain[at]->x() <= lastX) {
      wrong << QStringLiteral("tool bar: ") + describe(*chain[at]) +
                   QStringLiteral(" after one right of it");
    }
    lastX = chain[at]->x();
  }
  if (at < 10) {
    wrong << QStringLiteral("only %1 tool bar buttons one after another").arg(at);
  }
  if (at >= chain.size() || chain[at] != w.tree()) {
    wrong << QStringLiteral("the tree does not follow the tool bar");
    return wrong;
  }
  QPoint last(-1, -1);
  for (++at; at < chain.size() && w.panel()->isAncestorOf(chain[at]); ++at) {
    const QPoint p = chain[at]->mapTo(w.panel(), QPoint(0, 0));
    constexpr int kSameRow = 5;
    const bool sameRow = std::abs(p.y() - last.y()) <= kSameRow;
    if ((sameRow && p.x() <= last.x()) || (!sameRow && p.y() < last.y())) {
      wrong << QStringLiteral("navigation panel: ") + describe(*chain[at]) +
                   QStringLiteral(" after one below or right of it");
    }
    last = p;
  }
  if (at >= chain.size() || chain[at] != w.pageView()) {
    wrong << QStringLiteral("the page does not follow the navigation panel");
  }
  return wrong;
}

template <class Window>
Window* shownWindow() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* window = qobject_cast<Window*>(top); window != nullptr && window->isVisible()) {
      return window;
    }
  }
  return nullptr;
}

/// Runs `check` on the modal window of type `Window` once it is up, then `end`s it; `open`
/// opens it (and returns when it has closed).
template <class Window>
void whileModal(const std::function<void()>& open, const std::function<void(Window&)>& check,
                const std::function<void(Window&)>& end) {
  bool seen = false;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
    if (window == nullptr || !window->isVisible()) {
      return;
    }
    poll.stop();
    seen = true;
    check(*window);
    end(*window);
  });
  poll.start();
  open();
  QVERIFY2(seen, "the window did not open");
}

/// The selected entry's first page from the test archive server, double-clicked in the tree.
bool showSelectedPage(AssembledWindow& w) {
  w.doubleClickTree(w.tree()->visualRect(w.tree()->currentIndex()).center());
  return QTest::qWaitFor([&w] { return w.window.statusText(0) == " Fertig."; }, 10000);
}

// Every problem on a line of its own (a failure message is cut short), then the verdict.
void report(const QStringList& problems) {
  for (const QString& problem : problems) {
    qInfo().noquote() << problem;
  }
  QVERIFY2(problems.isEmpty(), qPrintable(QString::number(problems.size()) +
                                          QStringLiteral(" controls, listed above")));
}

// The controls found in `window`, named for the failure message; nothing when there are none.
QStringList listed(const QString& window, const QStringList& controls) {
  QStringList lines;
  for (const QString& control : controls) {
    lines << window + QStringLiteral(": ") + control;
  }
  return lines;
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void everyControlHasANameAndRole();
  void everyCommandIsReachedWithTab();
};

// The main window with a page shown, the save window, the print window, the PDF export window,
// the colour/quality window of "Seite speichern", post-processing, the info and search windows.
void AccessibilityTest::everyControlHasANameAndRole() {
  const ArchiveEnvironment archive;
  AssembledWindow w;
  w.platform.printers = {{{"Buero", "Laser 5", "file:///dev/null"}, {4960, 7016, 600}}};
  w.platform.defaultPrinter = "Buero";
  QVERIFY(w.loadSample());
  QStringList problems;
  QStringList unnamed = unnamedControls(w.window);
  problems << listed(QStringLiteral("main window at the start"), unnamed);
  QVERIFY(showSelectedPage(w));
  unnamed = unnamedControls(w.window);
  problems << listed(QStringLiteral("main window with a page"), unnamed);

  w.press(nav::ToolButton::SaveWindow);
  auto* save = w.window.findChild<SaveWindow*>(QStringLiteral("saveWindow"));
  QVERIFY(save != nullptr && save->isVisible());
  unnamed = unnamedControls(*save);
  problems << listed(QStringLiteral("save window"), unnamed);
  save->close();

  whileModal<PrintWindow>([&w] { w.press(nav::ToolButton::Print); },
                          [&unnamed](PrintWindow& window) { unnamed = unnamedControls(window); },
                          [](PrintWindow& window) { window.quitButton()->click(); });
  problems << listed(QStringLiteral("print window"), unnamed);

  QTemporaryDir dir;
  whileModal<EncoderSettingsWindow>(
      [&w, &dir] {
        w.platform.queueSaveFile(
            SaveDialogAnswer{dir.filePath(QStringLiteral("seite.png")).toStdString(), 2});
        w.press(nav::ToolButton::SavePage);
      },
      [&unnamed](EncoderSettingsWindow& window) { unnamed = unnamedControls(window); },
      [](EncoderSettingsWindow& window) { window.cancelButton()->click(); });
  problems << listed(QStringLiteral("colour/quality window"), unnamed);

  w.platform.queueSaveFile(
      SaveDialogAnswer{dir.filePath(QStringLiteral("seite.pdf")).toStdString(), 3});
  w.press(nav::ToolButton::SavePage);
  PdfExportWindow* pdf = shownWindow<PdfExportWindow>();
  QVERIFY(pdf != nullptr);
  unnamed = unnamedControls(*pdf);
  problems << listed(QStringLiteral("PDF export window"), unnamed);
  pdf->close();

  w.press(nav::ToolButton::PostProcess);
  PostProcessWindow* post = shownWindow<PostProcessWindow>();
  QVERIFY(post != nullptr);
  unnamed = unnamedControls(*post);
  problems << listed(QStringLiteral("post-processing"), unnamed);
  post->close();

  w.records.showInfoWindow();
  QVERIFY(w.records.infoWindow() != nullptr);
  unnamed = unnamedControls(*w.records.infoWindow());
  problems << listed(QStringLiteral("info window"), unnamed);
  w.records.hideInfoWindow();

  w.records.runSearch("Bayern");
  w.records.showSearchWindow();
  QVERIFY(w.records.searchWindow() != nullptr);
  unnamed = unnamedControls(*w.records.searchWindow());
  problems << listed(QStringLiteral("search window"), unnamed);
  w.records.searchWindow()->close();
  report(problems);
}

// Tab goes through every enabled control of the main window (tool bar included, in the order
// the buttons stand), of the save window, the print window and the PDF export window.
void AccessibilityTest::everyCommandIsReachedWithTab() {
  const ArchiveEnvironment archive;
  AssembledWindow w;
  w.platform.printers = {{{"Buero", "Laser 5", "file:///dev/null"}, {4960, 7016, 600}}};
  w.platform.defaultPrinter = "Buero";
  QVERIFY(w.loadSample() && showSelectedPage(w));
  QStringList problems;
  QStringList missing = unreachableControls(w.window);
  problems << listed(QStringLiteral("main window"), missing);

  problems << listed(QStringLiteral("main window order"), outOfLayoutOrder(w));

  // In the tree, - and + close and open the current branch (the zoom keys are off).
  const QModelIndex branch = w.tree()->currentIndex().parent();
  QVERIFY(branch.isValid() && w.tree()->isExpanded(branch));
  w.tree()->setFocus();
  w.tree()->setCurrentIndex(branch);
  QTest::keyClick(w.tree(), Qt::Key_Minus);
  QVERIFY(!w.tree()->isExpanded(branch));
  QTest::keyClick(w.tree(), Qt::Key_Plus);
  QVERIFY(w.tree()->isExpanded(branch));
  w.press(nav::ToolButton::SaveWindow);
  auto* save = w.window.findChild<SaveWindow*>(QStringLiteral("saveWindow"));
  QVERIFY(save != nullptr);
  // With links in the list, which Tab must leave for the next control.
  save->findChild<QLineEdit*>(QStringLiteral("idField"))->setText(w.panel()->idField()->text());
  save->findChild<QLineEdit*>(QStringLiteral("fromField"))->setText(w.panel()->pageField()->text());
  save->findChild<QLineEdit*>(QStringLiteral("toField"))->setText(w.panel()->pageField()->text());
  save->findChild<QPushButton*>(QStringLiteral("createLinks"))->click();
  QTRY_VERIFY(save->findChild<QTableView*>(QStringLiteral("saveList"))->model()->rowCount() > 0);
  missing = unreachableControls(*save);
  problems << listed(QStringLiteral("save window"), missing);
  save->close();

  whileModal<PrintWindow>(
      [&w] { w.press(nav::ToolButton::Print); },
      [&missing](PrintWindow& window) { missing = unreachableControls(window); },
      [](PrintWindow& window) { window.quitButton()->click(); });
  problems << listed(QStringLiteral("print window"), missing);

  QTemporaryDir dir;
  w.platform.queueSaveFile(
      SaveDialogAnswer{dir.filePath(QStringLiteral("seite.pdf")).toStdString(), 3});
  w.press(nav::ToolButton::SavePage);
  PdfExportWindow* pdf = shownWindow<PdfExportWindow>();
  QVERIFY(pdf != nullptr);
  missing = unreachableControls(*pdf);
  problems << listed(QStringLiteral("PDF export window"), missing);
  pdf->close();
  report(problems);
}

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
