#include "platform/scripted/scripted_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// The wait of an open dialog: it runs for every kind once the dialog is recorded, and an
// answer queued while it runs is the one the dialog gives (as a user decides while looking).
TEST(ScriptedPlatform, ModalWaitRunsWhileEachDialogIsOpenAndMayAnswerIt) {
  ScriptedPlatform platform;
  std::vector<std::string> seen;
  platform.modalWait = [&](std::string_view kind) {
    const std::size_t shown = platform.messages().size() + platform.dialogs().size();
    seen.push_back(std::string(kind) + ":" + std::to_string(shown));
    if (kind == "save") {
      platform.queueSaveFile(SaveDialogAnswer{"/tmp/seite.jpg", 1});
    } else if (kind == "message") {
      platform.queueMessageAnswer(MessageAnswer::Yes);
    }
  };
  EXPECT_EQ(platform.messageBox("t", "?", MessageSign::Question, MessageButtons::YesNo),
            MessageAnswer::Yes);
  EXPECT_EQ(platform.openFileDialog("t", "/", "f"), std::nullopt);
  const auto saved = platform.saveFileDialog("t", "/", "f", "", 1);
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->path, "/tmp/seite.jpg");
  EXPECT_EQ(platform.folderDialog("t", "/"), std::nullopt);
  EXPECT_EQ(platform.askText("t", "p", "", 0, 0, 0), "");
  EXPECT_EQ(seen,
            (std::vector<std::string>{"message:1", "open:2", "save:3", "folder:4", "text:5"}));
  EXPECT_EQ(platform.pendingAnswers(), 0U);

  // Without it every dialog answers at once from the queue, as before.
  platform.modalWait = nullptr;
  EXPECT_EQ(platform.messageBox("t", "?", MessageSign::Question, MessageButtons::YesNo),
            MessageAnswer::No);
  EXPECT_EQ(seen.size(), 5U);
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
