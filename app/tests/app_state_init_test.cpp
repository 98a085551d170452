#include <gtest/gtest.h>

#include <cstdlib>

#include "app/app_state_init.h"

namespace korvalis {
namespace {

TEST(AppStateInit, StartValuesOfEveryField) {
  unsetenv("KORVALIS_ARCHIVE_URL");
  unsetenv("KORVALIS_SITE_URL");
  AppState state;
  state.view.zoomFactor = 7.0F;  // left over from a previous use: must be reset
  state.view.pageShown = true;
  state.request.currentRequest = 5;
  state.session.recordBaseName = "Alt";
  initialiseAppState(state);

  EXPECT_EQ(state.version, "2.4.6d");
  EXPECT_EQ(state.scaleX, 1.0F);
  EXPECT_EQ(state.scaleY, 1.0F);
  EXPECT_EQ(state.request.requestLimit, 15000);
  EXPECT_EQ(state.view.zoomFactor, 1.0F);
  EXPECT_EQ(state.view.savedZoomFactor, 1.0F);
  EXPECT_FALSE(state.view.viewMode);
  EXPECT_FALSE(state.view.fullScreen);
  EXPECT_FALSE(state.view.pageShown);
  EXPECT_TRUE(state.view.treeVisible);
  EXPECT_FALSE(state.view.dragging);
  EXPECT_EQ(state.view.pageBytes, nullptr);
  EXPECT_EQ(state.view.viewImage, ViewImage::Page);
  EXPECT_EQ(state.request.currentRequest, 0U);
  EXPECT_EQ(state.request.lookupKind, "");
  EXPECT_EQ(state.request.lastImageSize, -1);
  EXPECT_EQ(state.session.recordBaseName, "");
  EXPECT_TRUE(state.session.records.list.empty());

  EXPECT_EQ(state.imageFilterWithTiff,
            "KRV-Dokument (BMP)|*.bmp|KRV-Dokument (JPG)|*.jpg|KRV-Dokument (PNG)|*.png"
            "|KRV-Dokument (TIFF)|*.tiff");
  EXPECT_EQ(state.imageFilterWithPdf,
            "KRV-Dokument (BMP)|*.bmp|KRV-Dokument (JPG)|*.jpg|KRV-Dokument (PNG)|*.png"
            "|KRV-Dokument (PDF)|*.pdf");

  const std::string base = KORVALIS_TEST_ARCHIVE_URL;
  EXPECT_EQ(state.request.servicePrefix, base + "/das/v2/");
  EXPECT_EQ(state.siteUrl, KORVALIS_TEST_SITE_URL);

  EXPECT_EQ(state.request.errorPageHtml,
            "<html><head><title>Fehler</title><br></head><h2><center>Seite nicht "
            "verf\xFCgbar.</center></h2></head><body oncontextmenu=\"return false;\"</html>");
  EXPECT_EQ(state.aboutHtml,
            "<html><head><title></title></head><body oncontextmenu=\"return false;\"><br>"
            "<h2><center>Korvalis<h5> Version 2.4.6d<br></center></body></html>");
}

TEST(AppStateInit, EnvironmentOverridesTheArchiveAddresses) {
  setenv("KORVALIS_ARCHIVE_URL", "https://127.0.0.1:8443/", 1);
  setenv("KORVALIS_SITE_URL", "https://127.0.0.1:8443/", 1);
  AppState state;
  initialiseAppState(state);
  unsetenv("KORVALIS_ARCHIVE_URL");
  unsetenv("KORVALIS_SITE_URL");
  // The trailing '/' of the base is dropped so the path does not start with "//".
  EXPECT_EQ(state.request.servicePrefix, "https://127.0.0.1:8443/das/v2/");
  EXPECT_EQ(state.siteUrl, "https://127.0.0.1:8443/");

  // An empty variable counts as unset.
  setenv("KORVALIS_ARCHIVE_URL", "", 1);
  initialiseAppState(state);
  unsetenv("KORVALIS_ARCHIVE_URL");
  std::string builtIn(KORVALIS_TEST_ARCHIVE_URL);
  builtIn += "/das/v2/";
  EXPECT_EQ(state.request.servicePrefix, builtIn);
}

TEST(AppStateInit, ProgramDirSetsTheFourStartDirectories) {
  AppState state;
  initialiseAppState(state);
  setProgramDir(state, "/opt/korvalis");
  for (const std::string* dir : {&state.programDir, &state.session.recordDir, &state.pageSaveDir,
                                 &state.linkDir, &state.saveListDir}) {
    EXPECT_EQ(*dir, "/opt/korvalis/");
  }
  setProgramDir(state, "/opt/k/");
  EXPECT_EQ(state.session.recordDir, "/opt/k/");
}

}  // namespace
}  // namespace korvalis
