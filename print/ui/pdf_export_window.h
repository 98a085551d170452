// The window "PDF-Datei erstellen": previews the page on an A4 sheet (portrait or landscape,
// four margins in millimetres) or on a sheet of the image's own size, and writes the one-page
// PDF file.
#pragma once

#include <QFont>
#include <QImage>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/image.h"
#include "print/pdf_export.h"
#include "viewer/page_saving.h"

class QFrame;
class QPushButton;
class QSpinBox;
class QToolButton;

namespace korvalis {

class Platform;

class PdfExportWindow : public QWidget {
  Q_OBJECT

 public:
  /// The margin fields in the order of PdfMargins.
  enum Margin { Top, Left, Right, Bottom };

  /// `parent` is the main window (made inaccessible while this window is open); `help` opens
  /// the help (F1).
  PdfExportWindow(Platform& platform, QWidget* parent, std::function<void()> help);
  ~PdfExportWindow() override;

  /// Opens the window for writing `pdfPath` from the page as shown: the kept downloaded bytes
  /// unchanged, or the displayed or page image encoded as JPEG. False, with the window left
  /// closed, when there is no image to export.
  bool open(const std::string& pdfPath, const PageSource& source);

  /// Recomputes the layout from the fields and toggles and redraws both previews.
  void updateLayout();

  /// How a press of "PDF-Datei erstellen" ended.
  enum class ExportOutcome { Written, Cancelled, Failed };

  /// Writes the file. The JPEG quality is asked for when the image must be encoded; "Abbruch"
  /// there writes nothing (Cancelled). A failure to write is told to the user (Failed).
  ExportOutcome exportPdf();

  /// Replaces the quality window (for a caller that answers it another way).
  void setSettingsAsker(EncoderSettingsAsker& asker) { asker_ = &asker; }

  // For keyboard access and tests.
  QSpinBox* marginField(Margin margin) const { return fields_[margin]; }
  QToolButton* orientationButton() const { return orientation_; }
  QToolButton* originalSizeButton() const { return originalSize_; }
  QPushButton* createButton() const { return create_; }
  QWidget* sheetCanvas() const;
  QWidget* sizeLabelCanvas() const;
  const PdfExportLayout& layout() const { return layout_; }
  /// The four lines of the size label, top to bottom.
  std::array<QString, 4> sizeLabelLines() const;
  const QFont& labelFont() const { return labelFont_; }

 signals:
  /// The window was closed (after writing, or by its close box).
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class Canvas;
  void build();
  void originalSizeToggled(bool pressed);
  void createPressed();
  void drawSheet();
  void drawSizeLabel();
  PdfMargins fieldValues() const;

  Platform& platform_;
  std::function<void()> help_;
  std::unique_ptr<EncoderSettingsAsker> windowAsker_;
  EncoderSettingsAsker* asker_ = nullptr;

  std::string pdfPath_;
  bool keptBytesExist_ = false;
  PageBytes keptBytes_;   ///< written unchanged when set
  SharedImage toEncode_;  ///< encoded when no kept bytes are written
  QImage preview_;        ///< reduced copy of the export image
  int imageWidth_ = 0;
  int imageHeight_ = 0;
  PdfExportLayout layout_;
  PdfMargins savedMargins_;
  bool updating_ = false;

  QFont labelFont_;
  QFrame* sheetPanel_ = nullptr;
  Canvas* sheet_ = nullptr;
  Canvas* label_ = nullptr;
  std::array<QSpinBox*, 4> fields_{};
  QToolButton* orientation_ = nullptr;
  QToolButton* originalSize_ = nullptr;
  QPushButton* create_ = nullptr;
};

/// The font of the size label: "ARIALN" at 9 points, or where that family is missing the
/// closest narrow sans-serif face fontconfig finds among the fonts the toolkit can draw.
QFont pdfSizeLabelFont();

}  // namespace korvalis
