#pragma once

#include <string>
#include <string_view>

namespace korvalis {

/// What the cores may do to the main window: its status bar, navigation fields, HTML view,
/// image mode and tree. The Qt main window implements it; tests use a recording fake
/// (platform/scripted/fake_main_view.h). Texts are Windows-1252 bytes. User-interface thread only.
class MainView {
 public:
  virtual ~MainView() = default;

  /// Status bar: field 0 messages, 1 view information, 3 the view's source.
  virtual void setStatusText(int field, std::string_view text) = 0;
  virtual std::string statusText(int field) const = 0;
  /// The progress field (status field 2): range 0..maximum and the current value.
  virtual void setProgressRange(int maximum) = 0;
  virtual void setProgressValue(int value) = 0;

  /// The navigation panel's three fields.
  virtual std::string apidField() const = 0;
  virtual void setApidField(std::string_view text) = 0;
  virtual std::string idField() const = 0;
  virtual void setIdField(std::string_view text) = 0;
  virtual std::string pageField() const = 0;
  virtual void setPageField(std::string_view text) = 0;

  /// Puts HTML source into the HTML view (the HTML pane of the page view).
  virtual void showHtml(std::string_view html) = 0;
  /// SetImageMode: 1 shows the page view and enables the page tools; 0 shows the HTML pane,
  /// disables the page tools and empties status fields 1 and 3.
  virtual void setImageMode(int mode) = 0;

  /// Lets the record tree select the entry that holds the ID and page fields.
  virtual void followIdAndPage() = 0;
  /// Shows the selected tree item's information (and copies a leaf's addresses to the fields).
  virtual void refreshEntryInfo() = 0;
};

}  // namespace korvalis
