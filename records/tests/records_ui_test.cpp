// The record windows: tree, info window and search-result window, driven through the
// controller as the main window drives them, with dialogs answered by the ScriptedPlatform.
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <filesystem>

#include "platform/scripted/fake_main_view.h"
#include "platform/file_io.h"
#include "platform/scripted/scripted_platform.h"
#include "records/record_file.h"
#include "records/record_session.h"
#include "records/ui/info_window.h"
#include "records/ui/record_tree_model.h"
#include "records/ui/record_tree_view.h"
#include "records/ui/records_controller.h"
#include "records/ui/search_window.h"

using namespace korvalis;

namespace {

const char* const kTsv =
    "Info 1\tInfo 2\tInfo 3\tInfo 4\tAPID\tID\tSeiten\tInfo 5\n"
    "Th\xFCringen\tGotha\tTaufen\t1800-1820\tTH-1\t000000001\t00001-00120\tGotha, Stadtkirche\n"
    "Th\xFCringen\tGotha\tTaufen\t1821-1850\tTH-2\t000000001\t00121-00300\tgotha\n"
    "Bayern\tAugsburg\tEhen\t1900\tTH-3\t000000002\t00001-00050\tM\xFCnchen, Dom\n";

/// Writes `name`.krv from TSV text into `dir`; returns its path.
std::string writeRecordFile(const QTemporaryDir& dir, const std::string& name,
                            const std::string& tsv) {
  std::string error;
  const auto bytes = makeRecordBytes(tsv, name, error);
  const std::string path = dir.filePath(QString::fromStdString(name + ".krv")).toStdString();
  if (!bytes || !writeFileAtomically(path, *bytes)) {
    qFatal("cannot write the record file");
  }
  return path;
}

}  // namespace

class RecordsUiTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void loadBuildsTheTreeAndSelectsTheFirstEntry();
  void leafSelectionFillsInfoAndFieldsGroupShowsLabels();
  void followIdAndPageRevealsOrCollapses();
  void searchFillsTheWindowAndARowRevealsItsEntry();
  void emptyInfoFieldStopsTheTreeWithItsMessage();
  void windowsKeysAndLeafMenu();
  void largeTreeBuildsAndReveals();

 private:
  void load(const std::string& tsv, const std::string& name = "Probe");

  QTemporaryDir dir_;
  RecordSession session_;
  ScriptedPlatform platform_;
  FakeMainView view_;
  int helpCount_ = 0;
  std::unique_ptr<RecordsController> controller_;
};

void RecordsUiTest::init() {
  session_ = RecordSession{};
  platform_.clearRecord();
  view_ = FakeMainView{};
  helpCount_ = 0;
  controller_ =
      std::make_unique<RecordsController>(session_, platform_, nullptr, [this] { ++helpCount_; });
  controller_->setMainView(&view_);
}

void RecordsUiTest::cleanup() {
  controller_.reset();
}

void RecordsUiTest::load(const std::string& tsv, const std::string& name) {
  platform_.queueOpenFile(writeRecordFile(dir_, name, tsv));
  QCOMPARE(controller_->loadRecordFile(), LoadOutcome::Loaded);
  controller_->afterLoad();
}

void RecordsUiTest::loadBuildsTheTreeAndSelectsTheFirstEntry() {
  load(kTsv);
  RecordTreeView* tree = controller_->treeView();
  RecordTreeModel* model = tree->treeModel();
  QCOMPARE(model->rowCount(), 1);
  const QModelIndex root = model->index(0, 0);
  QCOMPARE(root.data().toString(), QStringLiteral("Probe"));
  QCOMPARE(model->rowCount(root), 2);  // Bayern, Thüringen
  const QModelIndex thueringen = model->index(1, 0, root);
  QCOMPARE(thueringen.data().toString(), QStringLiteral("Th\u00fcringen"));
  const QModelIndex taufen = model->index(0, 0, model->index(0, 0, thueringen));
  QCOMPARE(model->rowCount(taufen), 2);
  QCOMPARE(model->parent(model->index(1, 0, taufen)), taufen);
  QVERIFY(tree->isExpanded(root));
  // The first leaf is Bayern's only entry; it is current and selected.
  QCOMPARE(controller_->selectedLeafEntry(), EntryId{0});
  QCOMPARE(controller_->currentEntry(), EntryId{0});
  QVERIFY(controller_->infoWindow()->isHidden());
  QVERIFY(platform_.messages().empty());
  QCOMPARE(platform_.dialogs().at(0).title, std::string("Datendatei laden:"));
}

void RecordsUiTest::leafSelectionFillsInfoAndFieldsGroupShowsLabels() {
  load(kTsv);
  RecordTreeView* tree = controller_->treeView();
  const int leaf = session_.records.list.entries[2].treeItem;  // Thüringen, 1821-1850
  QVERIFY(tree->selectItem(leaf));
  controller_->refreshEntryInfo();
  QCOMPARE(controller_->currentEntry(), EntryId{2});
  QCOMPARE(view_.apid, std::string("TH-2"));
  QCOMPARE(view_.id, std::string("000000001"));
  QCOMPARE(view_.page, std::string("00121"));
  const QString text = controller_->infoWindow()->infoText();
  QVERIFY(text.startsWith(QStringLiteral("\n  ID:\t000000001\n  Seiten:\t00121-00300\n")));
  QVERIFY(text.contains(QStringLiteral("  Info 1:\tTh\u00fcringen\n")));

  // A group item shows the labels alone and keeps the current entry and the fields.
  QVERIFY(tree->selectItem(0));
  controller_->refreshEntryInfo();
  QCOMPARE(controller_->currentEntry(), EntryId{2});
  QCOMPARE(view_.apid, std::string("TH-2"));
  QCOMPARE(controller_->infoWindow()->infoText(),
           QStringLiteral("\n  ID:\n  Seiten:\n\n  APID:\n\n  Info 1:\n  Info 2:\n  Info 3:\n"
                          "  Info 4:\n\n  Info 5:\n"));
}

void RecordsUiTest::followIdAndPageRevealsOrCollapses() {
  load(kTsv);
  RecordTreeView* tree = controller_->treeView();
  view_.id = "000000001";
  view_.page = "00120";
  controller_->followIdAndPage();
  QCOMPARE(controller_->currentEntry(), EntryId{1});
  QCOMPARE(tree->selectedItem(), session_.records.list.entries[1].treeItem);
  QVERIFY(tree->isItemExpanded(0));
  // Bayern's group was collapsed by the reveal; the leaf's own groups are open.
  QVERIFY(!tree->isItemExpanded(1));

  view_.page = "00121";
  controller_->followIdAndPage();
  QCOMPARE(controller_->currentEntry(), EntryId{2});

  // No match (an unpadded page is compared as text): the tree is collapsed, nothing else.
  view_.page = "121";
  controller_->followIdAndPage();
  QCOMPARE(controller_->currentEntry(), EntryId{2});
  QVERIFY(!tree->isItemExpanded(0));
}

void RecordsUiTest::searchFillsTheWindowAndARowRevealsItsEntry() {
  load(kTsv);
  SearchWindow* search = controller_->searchWindow();
  controller_->runSearch("gOTHA");
  QCOMPARE(search->windowTitle(), QStringLiteral("Suche: \"gOTHA\""));
  SearchResultModel* model = search->resultModel();
  QCOMPARE(model->rowCount(), 3);  // "Gotha" of two entries and "gotha"
  QCOMPARE(search->statusText(), QStringLiteral(" 3 Eintr\u00e4ge gefunden"));
  QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("1 "));
  QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("3 "));
  QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("Gotha"));
  QCOMPARE(controller_->currentEntry(), model->entryAt(2));  // the last hit is current
  QVERIFY(controller_->infoWindow()->isHidden());

  controller_->showSearchWindow();
  QVERIFY(search->isVisible());
  // Columns: 0 fits its numbers, 1 takes the rest of the width less 8.
  QTreeView* list = search->list();
  QCOMPARE(list->columnWidth(1), list->width() - list->columnWidth(0) - 8);

  // Choosing a row reveals its entry in the tree, shows and fills the info window.
  const EntryId wanted = model->entryAt(0);
  list->setCurrentIndex(model->index(0, 1));
  QCOMPARE(controller_->currentEntry(), wanted);
  QCOMPARE(controller_->treeView()->selectedItem(), session_.records.list.entries[wanted].treeItem);
  QVERIFY(controller_->infoWindow()->isVisible());
  QVERIFY(controller_->infoWindow()->infoText().contains(QStringLiteral("  ID:\t000000001")));

  controller_->runSearch("\xFC");  // ü in Windows-1252 finds "München"
  QCOMPARE(model->rowCount(), 1);
  QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("M\u00fcnchen"));
  QCOMPARE(search->statusText(), QStringLiteral(" 1 Eintrag gefunden."));
  controller_->runSearch("Zwickau");
  QCOMPARE(model->rowCount(), 0);
  QCOMPARE(search->statusText(), QStringLiteral(" Keine Eintr\u00e4ge gefunden."));
  controller_->runSearch("");  // an empty text changes nothing
  QCOMPARE(search->windowTitle(), QStringLiteral("Suche: \"Zwickau\""));

  // Rows of a search over an earlier load do nothing once another file is loaded.
  controller_->runSearch("*");
  QCOMPARE(model->rowCount(), 7);
  load("Kopf\nA\tB\tC\tD\tTH-9\t000000009\t\t\n", "Neu");
  const EntryId before = controller_->currentEntry();
  list->setCurrentIndex(model->index(6, 1));
  QCOMPARE(controller_->currentEntry(), before);
}

void RecordsUiTest::emptyInfoFieldStopsTheTreeWithItsMessage() {
  load("Kopf\nA\tB\tC\t\tTH-1\t000000001\t\t\nA\tB\tC\tD\tTH-2\t000000002\t\t\n");
  QCOMPARE(platform_.messages().size(), std::size_t{1});
  const auto& shown = platform_.messages().front();
  QCOMPARE(shown.title, std::string("Fehler!"));
  QCOMPARE(shown.text,
           std::string("Leeres Info4-Feld gefunden!\rEinlesen der Datendatei wird beendet."));
  QCOMPARE(shown.sign, MessageSign::Error);
  // The "{leer}" leaf is added and linked; the entry after the stop has no leaf.
  const RecordTree& tree = controller_->treeView()->tree();
  QCOMPARE(tree.items.back().text, std::string("{leer}"));
  QCOMPARE(session_.records.list.entries[0].treeItem, static_cast<int>(tree.items.size()) - 1);
  QCOMPARE(session_.records.list.entries[1].treeItem, -1);
  QCOMPARE(controller_->selectedLeafEntry(), EntryId{0});
}

void RecordsUiTest::windowsKeysAndLeafMenu() {
  load(kTsv);
  InfoWindow* info = controller_->infoWindow();
  SearchWindow* search = controller_->searchWindow();
  controller_->showInfoWindow();
  QTest::keyClick(info->textArea(), Qt::Key_F1);
  QCOMPARE(helpCount_, 1);
  info->close();
  QVERIFY(info->isHidden());

  controller_->runSearch("*");
  controller_->showSearchWindow();
  QTest::keyClick(search->list(), Qt::Key_F1);
  QCOMPARE(helpCount_, 2);
  QTest::keyClick(search->list(), Qt::Key_Escape);
  QVERIFY(search->isHidden());
  QCOMPARE(search->resultModel()->rowCount(), 7);  // hiding keeps the rows

  // A right click on a leaf asks for the leaf menu; on a group it does not.
  RecordTreeView* tree = controller_->treeView();
  tree->resize(300, 400);
  tree->show();
  QVERIFY(QTest::qWaitForWindowExposed(tree));
  QSignalSpy menu(controller_.get(), &RecordsController::treeContextMenuRequested);
  QSignalSpy opened(controller_.get(), &RecordsController::treeDoubleClicked);
  const QModelIndex leaf = tree->treeModel()->indexOfItem(tree->selectedItem());
  emit tree->customContextMenuRequested(tree->visualRect(leaf).center());
  QCOMPARE(menu.count(), 1);
  emit tree->customContextMenuRequested(
      tree->visualRect(tree->treeModel()->indexOfItem(0)).center());
  QCOMPARE(menu.count(), 1);
  QCOMPARE(tree->selectedItem(), 0);  // the right click selected the root
  tree->selectItem(leaf.internalId());
  QTest::keyClick(tree, Qt::Key_Return);
  QCOMPARE(opened.count(), 1);
}

void RecordsUiTest::largeTreeBuildsAndReveals() {
  std::string tsv = "Kopf\n";
  constexpr int kEntries = 20000;
  for (int i = 0; i < kEntries; ++i) {
    char line[128];
    std::snprintf(line, sizeof line, "R%d\tO%d\tB%d\tJ%05d\tTH-%d\t%09d\t00001-00010\tk%d\n",
                  i / 5000, i / 100, i / 10, i, i, i, i);
    tsv += line;
  }
  load(tsv, "Gross");
  const RecordTree& tree = controller_->treeView()->tree();
  QCOMPARE(static_cast<int>(tree.items.size()), 1 + 4 + 200 + 2000 + kEntries);
  view_.id = "000019999";
  view_.page = "00005";
  controller_->followIdAndPage();
  QCOMPARE(controller_->treeView()->selectedItem(), static_cast<int>(tree.items.size()) - 1);
  QCOMPARE(controller_->selectedLeafEntry(), EntryId{kEntries - 1});
}

QTEST_MAIN(RecordsUiTest)
#include "records_ui_test.moc"
