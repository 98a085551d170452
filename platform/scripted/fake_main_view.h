#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/main_view.h"

namespace korvalis {

/// A MainView for core tests: keeps the texts it is given and counts the calls that have no
/// text of their own.
class FakeMainView : public MainView {
 public:
  std::array<std::string, 4> status;
  int progressMaximum = 100;
  int progressValue = 0;
  std::vector<int> progressValues;  ///< every value set, in order
  std::string apid, id, page;
  std::string html;
  int imageMode = 0;
  int followCount = 0;
  int refreshCount = 0;

  void setStatusText(int field, std::string_view text) override {
    status.at(static_cast<std::size_t>(field)) = std::string(text);
  }
  std::string statusText(int field) const override {
    return status.at(static_cast<std::size_t>(field));
  }
  void setProgressRange(int maximum) override { progressMaximum = maximum; }
  void setProgressValue(int value) override {
    progressValue = value;
    progressValues.push_back(value);
  }
  std::string apidField() const override { return apid; }
  void setApidField(std::string_view text) override { apid = std::string(text); }
  std::string idField() const override { return id; }
  void setIdField(std::string_view text) override { id = std::string(text); }
  std::string pageField() const override { return page; }
  void setPageField(std::string_view text) override { page = std::string(text); }
  void showHtml(std::string_view text) override { html = std::string(text); }
  void setImageMode(int mode) override {
    imageMode = mode;
    if (mode == 0) {
      status[1].clear();
      status[3].clear();
    }
  }
  void followIdAndPage() override { ++followCount; }
  void refreshEntryInfo() override { ++refreshCount; }
};

}  // namespace korvalis
