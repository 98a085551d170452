// The window "Nachbearbeitung": picks a point operation, previews it live on a reduced copy
// of the page, applies it to the page and keeps or discards the changes on leaving.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "platform/image.h"
#include "viewer/point_ops.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QToolButton;

namespace korvalis {

class PostProcessWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPreviewWidth = 360;
  static constexpr int kPreviewHeight = 300;

  /// `page` is the page image the window works on; `reshow` re-shows the main view after the
  /// page changed; `closed` runs when the window is left (the main window is enabled again).
  PostProcessWindow(Image& page, std::function<void()> reshow, std::function<void()> closed,
                    QWidget* parent = nullptr);
  ~PostProcessWindow() override;

  /// Opens with the controls reset and the preview filled from the page.
  void open();

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
  void refreshPreview();
  PointOp currentOp() const;
  double currentParameter() const;
  void setControlsVisible(bool buttons, bool slider);

  Image& page_;
  std::function<void()> reshow_;
  std::function<void()> closed_;
  std::optional<Image> backup_;
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
