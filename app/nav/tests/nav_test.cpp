#include <gtest/gtest.h>

#include <set>

#include "app/nav/id_page_stepping.h"
#include "app/nav/toolbar_model.h"
#include "app/nav/zoom_rules.h"

namespace korvalis::nav {
namespace {

TEST(IdPageStepping, PageStepsAndLimits) {
  // An empty page field counts as 0, so the next page is the first.
  auto r = step(StepKind::NextPage, "123", "");
  EXPECT_EQ(r.outcome, StepOutcome::Changed);
  EXPECT_EQ(r.pageText, "00001");
  EXPECT_EQ(r.idText, "123");  // the ID field is left as typed
  EXPECT_EQ(step(StepKind::NextPage, "1", "41").pageText, "00042");
  EXPECT_EQ(step(StepKind::PreviousPage, "1", "00042").pageText, "00041");

  r = step(StepKind::NextPage, "1", "99999");
  EXPECT_EQ(r.outcome, StepOutcome::AtLimit);
  EXPECT_EQ(r.pageText, "99999");
  r = step(StepKind::PreviousPage, "1", "1");
  EXPECT_EQ(r.outcome, StepOutcome::AtLimit);
  EXPECT_EQ(r.pageText, "1");
  EXPECT_EQ(step(StepKind::PreviousPage, "1", "0").outcome, StepOutcome::AtLimit);
  EXPECT_EQ(step(StepKind::PreviousPage, "1", "2").pageText, "00001");
}

TEST(IdPageStepping, IdStepsResetThePage) {
  auto r = step(StepKind::PreviousId, "1", "00017");
  EXPECT_EQ(r.outcome, StepOutcome::Changed);
  EXPECT_EQ(r.idText, "000000000");
  EXPECT_EQ(r.pageText, "00001");
  EXPECT_EQ(step(StepKind::NextId, "", "5").idText, "000000001");
  EXPECT_EQ(step(StepKind::NextId, "4711", "5").idText, "000004712");

  r = step(StepKind::NextId, "999999999", "00003");
  EXPECT_EQ(r.outcome, StepOutcome::AtLimit);
  EXPECT_EQ(r.idText, "999999999");
  EXPECT_EQ(r.pageText, "00003");
  r = step(StepKind::PreviousId, "000000000", "00003");
  EXPECT_EQ(r.outcome, StepOutcome::AtLimit);
  EXPECT_EQ(r.pageText, "00003");
  EXPECT_EQ(step(StepKind::NextId, "999999998", "").idText, "999999999");
}

TEST(IdPageStepping, InvalidFieldsReportAndKeepTheirText) {
  auto r = step(StepKind::NextPage, "12", "1a");
  EXPECT_EQ(r.outcome, StepOutcome::Invalid);
  EXPECT_EQ(r.statusText, " ung\xFCltiges Seitenformat");
  EXPECT_EQ(r.pageText, "1a");
  r = step(StepKind::PreviousId, "-5", "3");
  EXPECT_EQ(r.outcome, StepOutcome::Invalid);
  EXPECT_EQ(r.statusText, " ung\xFCltiges ID-Format");
  EXPECT_EQ(r.idText, "-5");
  // Too long for the field, spaces, signs: not plain numbers.
  EXPECT_FALSE(readPaddedField("0000000001", kIdDigits));
  EXPECT_FALSE(readPaddedField(" 12", kPageDigits));
  EXPECT_FALSE(readPaddedField("+12", kPageDigits));
  // An ID step does not read the page field, a page step not the ID field.
  EXPECT_EQ(step(StepKind::NextId, "7", "x").outcome, StepOutcome::Changed);
  EXPECT_EQ(step(StepKind::NextPage, "x", "7").outcome, StepOutcome::Changed);
  // The status field is emptied on success and at the limits.
  EXPECT_TRUE(step(StepKind::NextId, "999999999", "").statusText.empty());
}

TEST(IdPageStepping, PaddedFieldsReadAndWrite) {
  EXPECT_EQ(readPaddedField("", kIdDigits), 0U);
  EXPECT_EQ(readPaddedField("000000042", kIdDigits), 42U);
  EXPECT_EQ(readPaddedField("999999999", kIdDigits), 999999999U);
  EXPECT_EQ(writePaddedField(0, kPageDigits), "00000");
  EXPECT_EQ(writePaddedField(123456, kPageDigits), "123456");
}

TEST(ZoomRules, StatesCarryTheSavedFactor) {
  ViewState s;
  ZoomControls c;
  setZoomMode(s, c, true);
  EXPECT_TRUE(s.viewMode);
  EXPECT_FALSE(c.originalSizeEnabled);
  EXPECT_FLOAT_EQ(s.zoomFactor, 1.0F);
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(zoomIn(s, c, 800, 3000));
  }
  EXPECT_FLOAT_EQ(s.zoomFactor, 1.5F);
  setZoomMode(s, c, false);
  EXPECT_FLOAT_EQ(s.zoomFactor, 1.0F);
  EXPECT_FALSE(s.viewMode);
  EXPECT_TRUE(c.originalSizeEnabled);
  EXPECT_FALSE(zoomIn(s, c, 800, 3000));  // keys do nothing while not zoomed
  setZoomMode(s, c, true);
  EXPECT_FLOAT_EQ(s.zoomFactor, 1.5F);

  // "Originalgröße" keeps the factor and gives it back when released.
  setZoomMode(s, c, false);
  setOriginalSize(s, c, true);
  EXPECT_TRUE(s.viewMode);
  EXPECT_FALSE(c.zoomEnabled);
  EXPECT_FALSE(zoomOut(s, c));
  setOriginalSize(s, c, false);
  EXPECT_FALSE(s.viewMode);
  EXPECT_TRUE(c.zoomEnabled);
  EXPECT_FLOAT_EQ(s.zoomFactor, 1.0F);
}

TEST(ZoomRules, StepLimits) {
  ViewState s;
  ZoomControls c;
  setZoomMode(s, c, true);
  s.zoomFactor = 0.375F;
  EXPECT_TRUE(zoomOut(s, c));
  EXPECT_FLOAT_EQ(s.zoomFactor, 0.25F);
  EXPECT_FALSE(zoomOut(s, c));
  EXPECT_FLOAT_EQ(s.zoomFactor, 0.25F);
  // (2.0 + 0.125) x 1000 = 2125 is not below 4 x 500 = 2000: refused.
  s.zoomFactor = 2.0F;
  EXPECT_FALSE(zoomIn(s, c, 1000, 500));
  EXPECT_TRUE(zoomIn(s, c, 900, 500));  // 1912.5 < 2000
  EXPECT_FLOAT_EQ(s.zoomFactor, 2.125F);

  resetForNewPage(s, c);
  EXPECT_FALSE(c.zoomPressed);
  EXPECT_TRUE(c.zoomEnabled && c.originalSizeEnabled);
  EXPECT_FLOAT_EQ(s.zoomFactor, 1.0F);
  EXPECT_FALSE(s.viewMode);
}

TEST(ToolbarModel, OrderStartStatesAndPageTools) {
  const auto buttons = toolButtons();
  ASSERT_EQ(buttons.size(), 15U);
  EXPECT_EQ(buttons.front().text, "Baumansicht");
  EXPECT_EQ(buttons.back().text, "Hilfe");
  int separators = 0;
  int pageTools = 0;
  std::set<std::string_view> icons;
  for (const auto& b : buttons) {
    separators += b.separatorBefore ? 1 : 0;
    icons.insert(b.icon);
    if (isPageTool(b.id)) {
      ++pageTools;
      EXPECT_FALSE(b.startEnabled) << b.text;
    }
    EXPECT_EQ(&toolButton(b.id), &b);
  }
  EXPECT_EQ(separators, 5);
  EXPECT_EQ(pageTools, 7);
  EXPECT_EQ(icons.size(), buttons.size());  // every button has its own picture
  EXPECT_TRUE(toolButton(ToolButton::Navigate).startPressed);
  EXPECT_FALSE(toolButton(ToolButton::Crop).startEnabled);
  EXPECT_FALSE(isPageTool(ToolButton::Crop));
  EXPECT_FALSE(isLockedInCropView(ToolButton::SavePage));
  EXPECT_FALSE(isLockedInCropView(ToolButton::Crop));
  EXPECT_TRUE(isLockedInCropView(ToolButton::Zoom));
}

}  // namespace
}  // namespace korvalis::nav
