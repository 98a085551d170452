// How the engine and the answer readers cope with a server that stalls, trickles or answers
// with the odd forms the archive is known to send.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "archive/curl_global.h"
#include "archive/event_codes.h"
#include "archive/page_address.h"
#include "archive/tests/archive_server_fixture.h"
#include "archive/transfer_engine.h"
#include "platform/file_io.h"
#include "platform/testing/temp_folder.h"
#include "viewer/image_codec.h"

namespace korvalis {
namespace {

using namespace std::chrono_literals;
using testing::ArchiveServer;
using testing::RecordingTarget;

const std::string kApid = "TH-1951-58455-2341-36-00017";  // film 004010472, page 17

UrlRequest pageRequest(const ArchiveServer& server, std::string_view apid) {
  UrlRequest request;
  request.url = pageImageUrl(server.servicePrefix(), apid);
  request.flags = kPageRequestFlags;
  request.chunkSize = 4096;
  request.connectTimeoutMs = 15000;
  return request;
}

/// The page request for the main view, reporting its completion to `window`.
UrlRequest notifyingPageRequest(const ArchiveServer& server, std::string_view apid,
                                std::shared_ptr<EventTarget> window) {
  UrlRequest request = pageRequest(server, apid);
  request.notifyTarget = std::move(window);
  request.notifyCode = kPageImageEvent;
  return request;
}

class StallTest : public ::testing::Test {
 protected:
  StallTest()
      : server({"--fault", "stall=00017", "--fault", "stallbody=00018", "--fault", "trickle=00019",
                "--page-size", "200x300"}) {
    engine.setStallTimeout(1);
  }
  ArchiveServer server;
  CurlGlobal curl;
  TransferEngine engine{curl, ArchiveServer::caFile()};
};

TEST_F(StallTest, AServerThatStopsSendingEndsTheRequestAsAFailedRead) {
  for (const std::string& apid : {kApid, std::string("TH-1951-58455-2341-36-00018")}) {
    SCOPED_TRACE(apid);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(engine.GetUrlSync(pageRequest(server, apid)));
    EXPECT_EQ(engine.GetError(0), kEngineReadFailed);
    EXPECT_NE(engine.GetErrorText(0).find("Unable to open File on Server"), std::string::npos);
    // Ended by the stall limit (1 s here), long before the server's own 60 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
  }
  // The asynchronous form reports the failure through its completion event.
  const auto window = std::make_shared<RecordingTarget>();
  const UrlRequest request = notifyingPageRequest(server, kApid, window);
  const JobHandle job = engine.GetUrl(request);
  ASSERT_NE(job, 0U);
  const auto event = window->waitFor(kPageImageEvent, 60s);
  ASSERT_TRUE(event);
  EXPECT_FALSE(engine.GetData(job));
  EXPECT_EQ(engine.GetError(job), kJobErrorHttpBase + 28);  // the library's time-out
  engine.Free(job);
}

TEST_F(StallTest, ASlowButSteadyAnswerIsNotCutOffAndAStallCanBeAborted) {
  const auto slow = engine.GetUrlSync(pageRequest(server, "TH-1951-58455-2341-36-00019"));
  ASSERT_TRUE(slow);
  EXPECT_GT(slow->size(), 2048U) << "more than two trickled pieces";
  const DecodeResult page = decodeImage(*slow);
  ASSERT_TRUE(page.ok()) << page.error;
  EXPECT_EQ(page.image.width(), 200);

  engine.setStallTimeout(60);
  const auto window = std::make_shared<RecordingTarget>();
  const UrlRequest request = notifyingPageRequest(server, kApid, window);
  const JobHandle job = engine.GetUrl(request);
  ASSERT_NE(job, 0U);
  // Esc while the server is silent: the worker sees the abort in its progress callback.
  const auto start = std::chrono::steady_clock::now();
  while (engine.GetContentLength(job) == -1 && std::chrono::steady_clock::now() - start < 20s) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(engine.Abort(job), 1);
  EXPECT_EQ(engine.IsRunning(job), 0);
  engine.Free(job);
  EXPECT_FALSE(window->waitFor(kPageImageEvent, 200ms)) << "an aborted job posts nothing";
}

class OddAnswersTest : public ::testing::Test {
 protected:
  OddAnswersTest()
      : server({"--fault", "foundnoapid=004010472_00002", "--fault", "sizeonce=00003/size",
                "--fault", "sizenouptodate=00004/size", "--fault", "parentsnochild=00005",
                "--fault", "htmlerror=00006/dist", "--fault", "damagedjpeg=00007/dist", "--fault",
                "protected=00008"}) {}
  std::string apid(int page) const { return "TH-1951-58455-2341-36-0000" + std::to_string(page); }
  std::optional<std::vector<unsigned char>> fetch(std::string url) {
    UrlRequest request;
    request.url = std::move(url);
    request.flags = kQueryRequestFlags;
    return engine.GetUrlSync(request);
  }
  ArchiveServer server;
  CurlGlobal curl;
  TransferEngine engine{curl, ArchiveServer::caFile()};
};

TEST_F(OddAnswersTest, LocationAndSizeAnswersAreReadByTheirTexts) {
  const std::string prefix = server.servicePrefix();
  EXPECT_EQ(LookUpLocation(engine, prefix, "004010472_00001"), "TH-1951-58455-2341-36-00001");
  EXPECT_EQ(LookUpLocation(engine, prefix, "004010472_00002"), kUnknownApid);
  std::string answer;
  EXPECT_EQ(QueryImageSize(engine, prefix, apid(3), 1, &answer), 0);
  EXPECT_NE(answer.find("size=\""), std::string::npos);
  EXPECT_EQ(QueryImageSize(engine, prefix, apid(4), 1), -1);
  // The archive knows an APID typed in lower case.
  std::string lower = apid(1);
  std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
  EXPECT_GT(QueryImageSize(engine, prefix, lower, 1), 0);
  const auto page = fetch(pageImageUrl(prefix, lower));
  ASSERT_TRUE(page);
  EXPECT_TRUE(decodeImage(*page).ok());
}

TEST_F(OddAnswersTest, ParentsAndErrorAnswersGiveTheirOutcomes) {
  const std::string prefix = server.servicePrefix();
  const auto parents = fetch(parentsUrl(prefix, apid(5)));
  ASSERT_TRUE(parents);
  const std::string parentsText(parents->begin(), parents->end());
  EXPECT_NE(parentsText.find("parentApid="), std::string::npos);
  EXPECT_EQ(extractChildName(parentsText), "");
  const auto complete = fetch(parentsUrl(prefix, apid(1)));
  ASSERT_TRUE(complete);
  EXPECT_EQ(extractChildName(std::string(complete->begin(), complete->end())), "004010472_00001");

  const auto both = fetch(locationUrl(prefix, "004010472_00008"));
  ASSERT_TRUE(both);
  const std::string bothText(both->begin(), both->end());
  EXPECT_NE(bothText.find("not found"), std::string::npos);
  EXPECT_NE(bothText.find("unauthorized"), std::string::npos);

  // An HTML error page and a damaged JPEG do not decode; neither is an XML answer.
  for (const int page : {6, 7}) {
    SCOPED_TRACE(page);
    const auto body = fetch(pageImageUrl(prefix, apid(page)));
    ASSERT_TRUE(body);
    const bool decoded = decodeImage(*body).ok();
    EXPECT_FALSE(decoded);
    EXPECT_EQ(classifyPageAnswer(std::span<const unsigned char>(*body), PageAnswer::Ignored),
              PageAnswer::Ignored);
  }
}

TEST(ArchiveServerProgram, EndsByItselfOnceItsStarterHasGone) {
  // The starter (a shell) starts the server, waits until it listens and ends without stopping
  // it, as a test that crashed would. The server must be gone soon after.
  const korvalis::testing::TempFolder folder{"korvalis-server-parent"};
  const std::string pidFile = (folder.path() / "server.pid").string();
  const std::string command =
      "sh -c '\"$0\" --exit-with-parent $$ >\"$1.out\" & echo $! >\"$1\"; "
      "for i in $(seq 50); do grep -q ready \"$1.out\" && break; sleep 0.1; done' '" +
      ArchiveServer::program() + "' '" + pidFile + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string pid = korvalis::readWholeFile(pidFile).value_or("");
  ASSERT_FALSE(pid.empty());
  const std::string stat = "/proc/" + pid.substr(0, pid.find('\n')) + "/stat";
  const auto running = [&] {
    const auto text = korvalis::readWholeFile(stat);
    // Gone, or a zombie its new parent has not collected yet.
    return text && text->find(") Z") == std::string::npos;
  };
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (running() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_FALSE(running()) << "the server outlived its starter";
}

}  // namespace
}  // namespace korvalis
