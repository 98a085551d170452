#include <gtest/gtest.h>

#include <cstdlib>

#include "app/app_state_init.h"

namespace korvalis {
namespace {

TEST(AppStateInit, StartValuesOfEveryField) {
  unsetenv("KORVALIS_ARCHIVE_URL");
  unsetenv("KORVALIS_SITE_URL");
  AppState state;
  state.zoomFactor = 7.0F;  // left over from a previous use: must be reset
  state.quit = true;
  initialiseAppState(state);

  EXPECT_EQ(state.version, "2.4.6d");
  EXPECT_EQ(state.userAgent, "Mozilla/4.0 (compatible; ST)");
  EXPECT_EQ(state.scaleX, 1.0F);
  EXPECT_EQ(state.scaleY, 1.0F);
  EXPECT_EQ(state.requestLimit, 15000);
  EXPECT_EQ(state.zoomFactor, 1.0F);
  EXPECT_EQ(state.savedZoomFactor, 1.0F);
  EXPECT_FALSE(state.viewMode);
  EXPECT_FALSE(state.fullScreen);
  EXPECT_FALSE(state.pageShown);
  EXPECT_TRUE(state.treeVisible);
  EXPECT_FALSE(state.dragging);
  EXPECT_FALSE(state.quit);
  EXPECT_FALSE(state.monitorRunning);
  EXPECT_FALSE(state.pageBytes.has_value());
  EXPECT_EQ(state.currentRequest, 0U);
  EXPECT_EQ(state.lookupKind, "");
  EXPECT_EQ(state.recordBaseName, "");
  EXPECT_EQ(state.viewImage, ViewImage::Page);

  EXPECT_EQ(state.imageFilterWithTiff,
            "KRV-Dokument (BMP)|*.bmp|KRV-Dokument (JPG)|*.jpg|KRV-Dokument (PNG)|*.png"
            "|KRV-Dokument (TIFF)|*.tiff");
  EXPECT_EQ(state.imageFilterWithPdf,
            "KRV-Dokument (BMP)|*.bmp|KRV-Dokument (JPG)|*.jpg|KRV-Dokument (PNG)|*.png"
            "|KRV-Dokument (PDF)|*.pdf");

  const std::string base = KORVALIS_TEST_ARCHIVE_URL;
  EXPECT_EQ(state.pagePrefix, base + "/das/v2/dgs:");
  EXPECT_EQ(state.pageSuffix, "/$dist");
  EXPECT_EQ(state.servicePrefix, base + "/das/v2/");
  EXPECT_EQ(state.siteUrl, KORVALIS_TEST_SITE_URL);

  EXPECT_EQ(state.errorPageHtml,
            "<html><head><title>Fehler</title><br></head><h2><center>Seite nicht "
            "verf\xFCgbar.</center></h2></head><body oncontextmenu=\"return false;\"</html>");
  EXPECT_EQ(state.aboutHtml,
            "<html><head><title></title></head><body oncontextmenu=\"return false;\"><br>"
            "<h2><center>Korvalis<h5> Version 2.4.6d<br></center></body></html>");
  EXPECT_EQ(state.unknownMark, " *** unbekannt ***");
}

TEST(AppStateInit, EnvironmentOverridesTheArchiveAddresses) {
  setenv("KORVALIS_ARCHIVE_URL", "https://127.0.0.1:8443/", 1);
  setenv("KORVALIS_SITE_URL", "https://127.0.0.1:8443/", 1);
  AppState state;
  initialiseAppState(state);
  unsetenv("KORVALIS_ARCHIVE_URL");
  unsetenv("KORVALIS_SITE_URL");
  // The trailing '/' of the base is dropped so the path does not start with "//".
  EXPECT_EQ(state.pagePrefix, "https://127.0.0.1:8443/das/v2/dgs:");
  EXPECT_EQ(state.servicePrefix, "https://127.0.0.1:8443/das/v2/");
  EXPECT_EQ(state.siteUrl, "https://127.0.0.1:8443/");

  // An empty variable counts as unset.
  setenv("KORVALIS_ARCHIVE_URL", "", 1);
  initialiseAppState(state);
  unsetenv("KORVALIS_ARCHIVE_URL");
  EXPECT_EQ(state.servicePrefix, std::string(KORVALIS_TEST_ARCHIVE_URL) + "/das/v2/");
}

TEST(AppStateInit, ProgramDirSetsTheFourStartDirectories) {
  AppState state;
  initialiseAppState(state);
  setProgramDir(state, "/opt/korvalis");
  for (const std::string* dir : {&state.programDir, &state.recordDir, &state.pageSaveDir,
                                 &state.linkDir, &state.saveListDir}) {
    EXPECT_EQ(*dir, "/opt/korvalis/");
  }
  setProgramDir(state, "/opt/k/");
  EXPECT_EQ(state.recordDir, "/opt/k/");
}

}  // namespace
}  // namespace korvalis
