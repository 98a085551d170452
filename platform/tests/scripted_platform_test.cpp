#include "platform/scripted/scripted_platform.h"

#include <gtest/gtest.h>

namespace korvalis {
namespace {

TEST(ScriptedPlatform, PlaysQueuedAnswersInOrderAndRecordsWhatWasShown) {
  ScriptedPlatform platform;
  platform.queueMessageAnswer(MessageAnswer::Yes);
  platform.queueOpenFile("/tmp/a.krv");
  platform.queueOpenFile(std::nullopt);

  EXPECT_EQ(
      platform.messageBox("Fehler!", "Text\rZeile", MessageSign::Warning, MessageButtons::YesNo),
      MessageAnswer::Yes);
  EXPECT_EQ(platform.openFileDialog("Datendatei laden:", "/d/", "Datendatei | *.krv"),
            std::optional<std::string>("/tmp/a.krv"));
  EXPECT_EQ(platform.openFileDialog("t", "/", "f"), std::nullopt);
  // Nothing queued any more: a question counts as No, a dialog as cancelled.
  EXPECT_EQ(platform.messageBox("", "?", MessageSign::Question, MessageButtons::YesNo),
            MessageAnswer::No);
  EXPECT_EQ(platform.askText("Datendatei durchsuchen", "Gesuchter Begriff:", "", 1, 0, 0), "");

  ASSERT_EQ(platform.messages().size(), 2U);
  EXPECT_EQ(platform.messages()[0].title, "Fehler!");
  EXPECT_EQ(platform.messages()[0].text, "Text\rZeile");
  EXPECT_EQ(platform.messages()[0].sign, MessageSign::Warning);
  ASSERT_EQ(platform.dialogs().size(), 3U);
  EXPECT_EQ(platform.dialogs()[0].filter, "Datendatei | *.krv");
  EXPECT_EQ(platform.dialogs()[2].kind, "text");
  EXPECT_EQ(platform.pendingAnswers(), 0U);
}

TEST(ScriptedPlatform, ClipboardHoldsEitherTextOrImage) {
  ScriptedPlatform platform;
  platform.setClipboardText("004717830");
  EXPECT_TRUE(platform.clipboardImage().isNull());
  platform.setClipboardImage(Image::filled(3, 2, 0x00FF0000));
  EXPECT_EQ(platform.clipboardText(), "");
  EXPECT_EQ(platform.clipboardImage().width(), 3);
}

}  // namespace
}  // namespace korvalis
