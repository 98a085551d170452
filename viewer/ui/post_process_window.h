// The window "Nachbearbeitung": picks a point operation, previews it live on a reduced copy
// of the page, applies it to the page and keeps or discards the changes on leaving.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

#include "platform/image.h"
#include "viewer/page_source.h"
#include "viewer/point_ops.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QToolButton;

namespace korvalis {

/// The page view as the post-processing window sees it.
struct PostProcessPage {
  /// The page image shown now.
  std::function<SharedImage()> snapshot;
  /// The number of the page shown now (a new page has another; an edit keeps it).
  std::function<std::uint64_t()> number;
  /// Shows an edit of the shown page in the main view.
  std::function<void(SharedImage)> show;
};

/// Works on its own snapshot of the page taken at opening. Its changes reach the main view
/// only while the view still shows that page: a page that arrived in the meantime is never
/// overwritten, neither by an edit nor by going back to the state at opening.
class PostProcessWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPreviewWidth = 360;
  static constexpr int kPreviewHeight = 300;

  /// `page` is the view the window works on; `closed` runs when the window is left (the main
  /// window is enabled again).
  PostProcessWindow(PostProcessPage page, std::function<void()> closed, QWidget* parent = nullptr);
  ~PostProcessWindow() override;

  /// Opens with the controls reset and the preview filled from a snapshot of the shown page.
  void open();
  /// The view still shows the page the window opened on.
  bool onShownPage() const;

  // The controls, for keyboard access and tests.
  QComboBox* functionList() const { return list_; }
  QSlider* slider() const { return slider_; }
  QLineEdit* valueField() const { return value_; }
  QToolButton* executeButton() const { return execute_; }
  QToolButton* discardButton() const { return discard_; }
  QToolButton* acceptButton() const { return accept_; }
  QToolButton* cancelButton() const { return cancel_; }
  const Image& previewImage() const { return preview_; }
  bool isPending() const { return pending_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void selectFunction(int index);
  void sliderMoved(int value);
  void valueEdited();
  void executeFunction();
  void discardChange();
  void acceptAndReturn();
  void discardAndReturn();
  void leave();
  void restoreFromBackup();
  /// Shows `image` as the window's page, in the main view too while it shows that page.
  void publish(SharedImage image);
  void refreshPreview();
  PointOp currentOp() const;
  double currentParameter() const;
  void setControlsVisible(bool buttons, bool slider);

  PostProcessPage page_;
  std::function<void()> closed_;
  /// The page as it was at opening, and as the window's changes made it.
  SharedImage original_;
  SharedImage current_;
  std::uint64_t pageNumber_ = 0;
  Image previewBase_;
  Image preview_;
  bool pending_ = false;
  /// The page holds changes made by "Ausführen" since the last restore from the backup.
  bool executed_ = false;
  bool open_ = false;

  QComboBox* list_ = nullptr;
  QSlider* slider_ = nullptr;
  QLineEdit* value_ = nullptr;
  QLabel* previewLabel_ = nullptr;
  QToolButton* execute_ = nullptr;
  QToolButton* discard_ = nullptr;
  QToolButton* accept_ = nullptr;
  QToolButton* cancel_ = nullptr;
};

}  // namespace korvalis
