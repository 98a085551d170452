// The navigation panel below the record tree: APID, ID and page fields with their step
// buttons, the two look-up buttons, "Anzeigen" and the immediate-display check box.
#pragma once

#include <QFrame>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace korvalis {

class NavigationPanel : public QFrame {
  Q_OBJECT

 public:
  static constexpr int kHeight = 198;

  /// `scaleX` widens the fields and buttons with the display scale.
  explicit NavigationPanel(double scaleX = 1.0, QWidget* parent = nullptr);

  QLineEdit* apidField() const { return apid_; }
  QLineEdit* idField() const { return id_; }
  QLineEdit* pageField() const { return page_; }
  QCheckBox* immediateDisplay() const { return immediate_; }
  /// The check box's text (a wrapping label beside the box).
  QLabel* immediateDisplayText() const { return immediateText_; }
  bool isImmediateDisplay() const;

  /// True when `w` is one of the three text fields.
  bool isTextField(const QWidget* w) const;

  QPushButton* previousIdButton() const { return prevId_; }
  QPushButton* nextIdButton() const { return nextId_; }
  QPushButton* previousPageButton() const { return prevPage_; }
  QPushButton* nextPageButton() const { return nextPage_; }
  QToolButton* idLookupButton() const { return idLookup_; }
  QToolButton* apidLookupButton() const { return apidLookup_; }
  QPushButton* showButton() const { return show_; }

 signals:
  void idStepRequested(bool next);
  void pageStepRequested(bool next);
  /// Left small button: look up the ID and page of the APID field.
  void idLookupRequested();
  /// Right small button: look up the APID of the ID and page fields.
  void apidLookupRequested();
  /// "Anzeigen".
  void showRequested();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void applyFieldColours();
  QWidget* immediateRow();
  QWidget* stepRow(QPushButton*& previous, QLineEdit* field, QPushButton*& next);

  QLineEdit* apid_ = nullptr;
  QLineEdit* id_ = nullptr;
  QLineEdit* page_ = nullptr;
  QPushButton* prevId_ = nullptr;
  QPushButton* nextId_ = nullptr;
  QPushButton* prevPage_ = nullptr;
  QPushButton* nextPage_ = nullptr;
  QWidget* lookupRow_ = nullptr;
  QToolButton* idLookup_ = nullptr;
  QToolButton* apidLookup_ = nullptr;
  QPushButton* show_ = nullptr;
  QCheckBox* immediate_ = nullptr;
  QLabel* immediateText_ = nullptr;
};

}  // namespace korvalis
