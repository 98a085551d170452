#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/testing/fake_main_view.h"
#include "archive/event_codes.h"
#include "archive/page_address.h"
#include "archive/tests/archive_server_fixture.h"
#include "records/record_entry.h"

namespace korvalis {
namespace {

using namespace std::chrono_literals;
using testing::ArchiveServer;
using testing::RecordingTarget;

const std::string kErrorPage = "<html>error</html>";

/// What the viewer does with a body: JPEG data is "shown", anything else does not decode.
PageDecode fakeDecode(std::span<const unsigned char> body) {
  return body.size() > 2 && body[0] == 0xFF && body[1] == 0xD8 ? PageDecode::Shown
                                                               : PageDecode::NotDecoded;
}

class PageLoadingTest : public ::testing::Test {
 protected:
  explicit PageLoadingTest(std::vector<std::string> serverArgs = {}) : server(serverArgs) {
    engine.setCaFile(ArchiveServer::caFile());
    engine.setProgressTarget(&mainWindow);
    app.servicePrefix = server.servicePrefix();
    app.errorPageHtml = kErrorPage;
    app.aboutHtml = "<html>start</html>";
  }

  /// Runs the main window's handler for the next event with `code`.
  std::optional<PageAnswer> deliverPage() {
    const auto event = mainWindow.waitFor(kPageImageEvent, 20s);
    if (!event) {
      ADD_FAILURE() << "no page event";
      return std::nullopt;
    }
    return HandlePageAnswer(context, event->data, fakeDecode);
  }
  void deliverLookup(int code) {
    const auto event = mainWindow.waitFor(code, 20s);
    ASSERT_TRUE(event.has_value()) << "no look-up event";
    HandleLookupAnswer(context, code, event->data);
  }
  std::optional<PageAnswer> loadPage(std::string id, std::string page) {
    view.id = std::move(id);
    view.page = std::move(page);
    LoadPage(context);
    return deliverPage();
  }

  ArchiveServer server;
  RecordingTarget mainWindow;
  TransferEngine engine;
  AppState app;
  FakeMainView view;
  ArchiveContext context{app, view, engine, mainWindow};
};

TEST_F(PageLoadingTest, LoadPageShowsTheImageOfTheFields) {
  view.id = "4010472";
  view.page = "17";
  LoadPage(context);
  EXPECT_EQ(view.id, "004010472");
  EXPECT_EQ(view.page, "00017");
  EXPECT_EQ(view.followCount, 1);
  EXPECT_EQ(app.currentApid, "TH-1951-58455-2341-36-00017");
  EXPECT_GT(app.lastImageSize, 0);
  EXPECT_EQ(view.progressMaximum, app.lastImageSize >> 15);
  EXPECT_EQ(view.status[0], " LADE...  004010472 : 00017");
  EXPECT_EQ(view.status[1], " Zoom:");
  EXPECT_NE(app.currentRequest, 0U);
  EXPECT_EQ(deliverPage(), PageAnswer::Shown);
  EXPECT_EQ(view.status[0], " Fertig.");
  EXPECT_EQ(view.status[3], "Original");
  EXPECT_EQ(app.currentRequest, 0U);
  EXPECT_EQ(engine.jobCount(), 0U);

  // The three requests, in order, with the flags of each.
  const auto log = server.requestLog();
  ASSERT_EQ(log.size(), 3U);
  EXPECT_NE(log[0].find("/das/v2/dgs:004010472_00017/location/db"), std::string::npos);
  EXPECT_NE(log[1].find("/das/v2/TH-1951-58455-2341-36-00017/size"), std::string::npos);
  EXPECT_NE(log[2].find("/das/v2/TH-1951-58455-2341-36-00017/dist.jpg"), std::string::npos);
  EXPECT_NE(log[2].find("Cache-Control: no-cache"), std::string::npos);
}

TEST_F(PageLoadingTest, UnknownPageEndsInTheErrorPage) {
  EXPECT_EQ(loadPage("4010472", "99999"), PageAnswer::NotAvailable);
  EXPECT_EQ(app.currentApid, " *** unbekannt ***");
  EXPECT_EQ(app.lastImageSize, -1);
  EXPECT_EQ(view.progressMaximum, 5000000);
  EXPECT_EQ(view.html, kErrorPage);
  EXPECT_EQ(view.status[0], " Seite nicht bekannt!");
  EXPECT_EQ(view.status[1], "");
}

TEST_F(PageLoadingTest, TreePageTakesTheEntrysFirstPage) {
  const std::string line = "a\tb\tc\td\tTH-1951-58455-2341-36\t004010472\t00558-00954";
  const RecordEntry entry(line);
  LoadTreePage(context, entry);
  EXPECT_EQ(view.refreshCount, 1);
  EXPECT_EQ(view.apid, entry.apid());
  EXPECT_EQ(view.page, "00558");
  EXPECT_EQ(view.status[0], " LADE...  004010472 : 00558");
  EXPECT_EQ(deliverPage(), PageAnswer::Shown);
}

TEST_F(PageLoadingTest, NewRequestReplacesARunningOne) {
  view.id = "4010472";
  view.page = "17";
  LoadPage(context);
  const JobHandle first = app.currentRequest;
  view.page = "18";
  LoadPage(context);
  ASSERT_NE(app.currentRequest, first);
  // Whatever the first job did, only the second page may be shown.
  for (int i = 0; i < 2 && app.currentRequest != 0; ++i) {
    deliverPage();
  }
  EXPECT_EQ(app.currentRequest, 0U);
  EXPECT_EQ(view.status[0], " Fertig.");
  EXPECT_NE(server.requestLog().back().find("-00018/dist.jpg"), std::string::npos);
  EXPECT_EQ(engine.jobCount(), 0U);
}

TEST_F(PageLoadingTest, IdLookupFillsIdAndPage) {
  view.apid = "TH-1951-58455-2341-36-00017";
  StartIdLookup(context, kLookupEvent);
  EXPECT_EQ(view.status[0], " Suche ID...");
  EXPECT_EQ(app.lookupKind, "DGS");
  deliverLookup(kLookupEvent);
  EXPECT_EQ(view.id, "004010472");
  EXPECT_EQ(view.page, "00017");
  EXPECT_EQ(view.followCount, 0);

  StartIdLookup(context, kLookupFieldsEvent);
  deliverLookup(kLookupFieldsEvent);
  EXPECT_EQ(view.followCount, 1);
  EXPECT_EQ(view.status[0], " gefunden");
  EXPECT_NE(server.requestLog().back().find("/apid:TH-1951-58455-2341-36-00017/parents"),
            std::string::npos);

  view.apid = "TH-1951";
  StartIdLookup(context, kLookupEvent);
  EXPECT_EQ(view.status[0], " ung\xFCliges APID-Format");
  EXPECT_EQ(app.lookupKind, "");

  view.apid = "TH-0-0-0-0";  // well-formed, but unknown
  StartIdLookup(context, kLookupEvent);
  deliverLookup(kLookupEvent);
  EXPECT_EQ(view.status[0], " *** Seite unbekannt ***");
  EXPECT_EQ(engine.jobCount(), 0U);
}

TEST_F(PageLoadingTest, ApidLookupFillsTheApid) {
  view.id = "";
  view.page = "17";
  StartApidLookup(context, kLookupEvent);
  EXPECT_EQ(view.status[0], " ID oder Seite fehlt!");

  view.id = "0004010472";
  view.page = "017";
  StartApidLookup(context, kLookupFieldsEvent);
  EXPECT_EQ(view.id, "004010472");
  EXPECT_EQ(view.page, "00017");
  EXPECT_EQ(view.status[0], " Suche APID...");
  EXPECT_EQ(app.lookupKind, "APID");
  deliverLookup(kLookupFieldsEvent);
  EXPECT_EQ(view.apid, "TH-1951-58455-2341-36-00017");
  EXPECT_EQ(view.status[0], " gefunden");
  EXPECT_EQ(view.followCount, 1);

  view.page = "99999";
  StartApidLookup(context, kLookupEvent);
  deliverLookup(kLookupEvent);
  EXPECT_EQ(view.status[0], " *** Seite unbekannt ***");  // "not found" empties the state
}

class FaultyServerTest : public PageLoadingTest {
 protected:
  FaultyServerTest()
      : PageLoadingTest({"--fault", "unauthorized=00020", "--fault", "nonimage=00021/dist",
                         "--fault", "empty=00022/dist", "--fault", "nonimage=_00023"}) {}
};

TEST_F(FaultyServerTest, AnswerOutcomes) {
  view.apid = "TH-1951-58455-2341-36-00020";
  StartIdLookup(context, kLookupEvent);
  deliverLookup(kLookupEvent);
  EXPECT_EQ(view.status[0], " *** Protected ***");
  EXPECT_EQ(app.lookupKind, "Protected");

  view.id = "4010472";
  view.page = "23";
  StartApidLookup(context, kLookupEvent);
  deliverLookup(kLookupEvent);
  EXPECT_EQ(view.status[0], " Ung\xFCltige Antwort");
  EXPECT_EQ(view.status[1], "");

  // A page body that is neither an image nor XML changes nothing.
  view.status[0] = "vorher";
  EXPECT_EQ(loadPage("4010472", "21"), PageAnswer::Ignored);
  EXPECT_EQ(view.status[0], " LADE...  004010472 : 00021");
  // An empty body is "no data".
  EXPECT_EQ(loadPage("4010472", "22"), PageAnswer::NoData);
  EXPECT_EQ(view.html, kErrorPage);
  EXPECT_EQ(view.status[0], " Ung\xFCltige Antwort");
}

TEST(PageAnswerOutcome, Classification) {
  const std::string xml = "<?xml?><e>not found</e>";
  const std::string junk = "plain";
  const auto bytes = [](const std::string& s) {
    return std::span<const unsigned char>(reinterpret_cast<const unsigned char*>(s.data()),
                                          s.size());
  };
  EXPECT_EQ(classifyPageAnswer(std::nullopt, PageDecode::NotDecoded), PageAnswer::NoData);
  EXPECT_EQ(classifyPageAnswer(bytes(junk), PageDecode::Shown), PageAnswer::Shown);
  EXPECT_EQ(classifyPageAnswer(bytes(junk), PageDecode::DecodedButUnavailable), PageAnswer::Broken);
  EXPECT_EQ(classifyPageAnswer(bytes(xml), PageDecode::NotDecoded), PageAnswer::NotAvailable);
  EXPECT_EQ(classifyPageAnswer(bytes(junk), PageDecode::NotDecoded), PageAnswer::Ignored);
}

}  // namespace
}  // namespace korvalis
