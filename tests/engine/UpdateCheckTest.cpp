#include "app/engine/UpdateCheck.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "app/engine/WebPageReader.h"
#include "support/LocalHttpServer.h"

namespace {

using zbtest::HttpResponse;
using zbtest::LocalHttpServer;

constexpr char kNoLibrary[] = "libzembrolt-no-such-http-library.so.4";

TEST(UpdateCheckTextTest, VersionDisplayForm) {
    EXPECT_EQ(FormatVersionText(kProgramVersion), "1.14");
    EXPECT_EQ(FormatVersionText(0x10105), "1.15");
    EXPECT_EQ(FormatVersionText(0x20000), "2.00");
    EXPECT_EQ(FormatVersionText(0x10A0C), "1.1012");
    EXPECT_EQ(FormatVersionText(0xFFFFFFFF), "65535.255255");
}

TEST(UpdateCheckTextTest, VersionTextIsReadAsHexadecimal) {
    DWORD version = 0;
    ASSERT_TRUE(ParseVersionText("10105\r\n", version));
    EXPECT_EQ(version, 0x10105u);
    ASSERT_TRUE(ParseVersionText(" 0x20000 trailing words", version));
    EXPECT_EQ(version, 0x20000u);
    ASSERT_TRUE(ParseVersionText("FFFF", version));
    EXPECT_EQ(version, 0xFFFFu);
    // More digits than 32 bits hold keep the low 32 bits.
    ASSERT_TRUE(ParseVersionText("123456789", version));
    EXPECT_EQ(version, 0x23456789u);
    EXPECT_FALSE(ParseVersionText("", version));
    EXPECT_FALSE(ParseVersionText("<html>", version));
    EXPECT_FALSE(ParseVersionText("version 2", version));
}

TEST(UpdateCheckTextTest, PagesLieBelowTheServerAddress) {
    EXPECT_EQ(VersionPageUrl("http://127.0.0.1:80/"), "http://127.0.0.1:80/version.txt");
    EXPECT_EQ(VersionPageUrl("http://127.0.0.1:80/zb"), "http://127.0.0.1:80/zb/version.txt");
    EXPECT_EQ(DownloadPageUrl("http://127.0.0.1:80/zb/"), "http://127.0.0.1:80/zb/download.htm");
}

// Records what the check asks of the window; posted tasks wait until the
// test runs them, as the window's thread would.
class RecordingHost : public IUpdateHost {
public:
    bool answer = false;
    std::vector<std::pair<std::string, std::string>> questions;
    std::vector<std::string> opened;

    void PostToWindowThread(std::function<void()> task) override {
        std::lock_guard<std::mutex> guard(m_lock);
        m_tasks.push_back(std::move(task));
    }
    bool AskYesNo(const std::string& text, const std::string& caption) override {
        questions.emplace_back(text, caption);
        return answer;
    }
    void OpenUrl(const std::string& url) override { opened.push_back(url); }

    // Runs the posted tasks; returns how many there were.
    std::size_t RunPosted() {
        std::vector<std::function<void()>> tasks;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            tasks.swap(m_tasks);
        }
        for (const auto& task : tasks) {
            task();
        }
        return tasks.size();
    }

private:
    std::mutex m_lock;
    std::vector<std::function<void()>> m_tasks;
};

// Runs one whole check against `server` and the posted tasks after it.
std::size_t RunCheck(RecordingHost& host, const LocalHttpServer& server) {
    CUpdateCheckThread check;
    EXPECT_TRUE(check.Start(host, server.Url("/")));
    check.Wait();
    return host.RunPosted();
}

TEST(UpdateCheckThreadTest, NewerVersionIsOffered) {
    LocalHttpServer server(HttpResponse("10105"));
    RecordingHost host;
    EXPECT_EQ(RunCheck(host, server), 1u);
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0].first,
              "Zembrolt 1.15 is released. Do you want to download it now?");
    EXPECT_EQ(host.questions[0].second, "Zembrolt");
    EXPECT_TRUE(host.opened.empty());  // answered No

    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("GET /version.txt ", 0), 0u);
    EXPECT_NE(requests[0].find("\r\nUser-Agent: ZembroltBrowser1.0\r\n"), std::string::npos);
}

TEST(UpdateCheckThreadTest, NewMajorVersionShowsItsDisplayForm) {
    LocalHttpServer server(HttpResponse("20000\n"));
    RecordingHost host;
    RunCheck(host, server);
    ASSERT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(host.questions[0].first,
              "Zembrolt 2.00 is released. Do you want to download it now?");
}

TEST(UpdateCheckThreadTest, YesOpensTheDownloadPage) {
    LocalHttpServer server(HttpResponse("10105"));
    RecordingHost host;
    host.answer = true;
    RunCheck(host, server);
    EXPECT_EQ(host.opened, std::vector<std::string>{server.Url("/download.htm")});
}

TEST(UpdateCheckThreadTest, SameOlderOrUnreadableVersionShowsNothing) {
    for (const char* text : {"10104", "FFFF", "0", "<html>", ""}) {
        LocalHttpServer server(HttpResponse(text));
        RecordingHost host;
        EXPECT_EQ(RunCheck(host, server), 0u) << text;
        EXPECT_EQ(server.Requests().size(), 1u) << text;
    }
}

TEST(UpdateCheckThreadTest, ResponseWithoutContentLengthShowsNothing) {
    LocalHttpServer server(HttpResponse("10105", false));
    RecordingHost host;
    EXPECT_EQ(RunCheck(host, server), 0u);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(UpdateCheckThreadTest, ErrorPageShowsNothing) {
    LocalHttpServer server(HttpResponse("FFFFF", true, "404 Not Found"));
    RecordingHost host;
    EXPECT_EQ(RunCheck(host, server), 0u);
}

TEST(UpdateCheckThreadTest, MissingLibraryEndsSilently) {
    LocalHttpServer server(HttpResponse("10105"));
    RecordingHost host;
    CUpdateCheckThread check;
    ASSERT_TRUE(check.Start(host, server.Url("/"), kNoLibrary));
    check.Wait();
    EXPECT_EQ(host.RunPosted(), 0u);
    EXPECT_TRUE(server.Requests().empty());
}

TEST(UpdateCheckThreadTest, UnreachableServerEndsSilently) {
    RecordingHost host;
    CUpdateCheckThread check;
    const int port = zbtest::UnusedLocalPort();
    ASSERT_TRUE(check.Start(host, "http://127.0.0.1:" + std::to_string(port) + "/"));
    check.Wait();
    EXPECT_EQ(host.RunPosted(), 0u);
}

TEST(UpdateCheckThreadTest, NoServerAddressStartsNothing) {
    RecordingHost host;
    CUpdateCheckThread check;
    EXPECT_FALSE(check.Start(host, ""));
    check.Stop();
    EXPECT_EQ(host.RunPosted(), 0u);
}

TEST(UpdateCheckThreadTest, OneCheckAtATime) {
    LocalHttpServer server([](const std::string&) { return std::optional<std::string>(); });
    RecordingHost host;
    CUpdateCheckThread check;
    ASSERT_TRUE(check.Start(host, server.Url("/")));
    EXPECT_FALSE(check.Start(host, server.Url("/")));
    check.Stop();
}

TEST(UpdateCheckThreadTest, StopEndsACheckWaitingForASlowServer) {
    LocalHttpServer server([](const std::string&) { return std::optional<std::string>(); });
    RecordingHost host;
    {
        CUpdateCheckThread check;
        ASSERT_TRUE(check.Start(host, server.Url("/")));
        EXPECT_TRUE(server.WaitForRequests(1));
        check.Stop();
    }
    EXPECT_EQ(host.RunPosted(), 0u);

    // Destroying the thread object stops the check the same way.
    LocalHttpServer another([](const std::string&) { return std::optional<std::string>(); });
    {
        CUpdateCheckThread check;
        ASSERT_TRUE(check.Start(host, another.Url("/")));
        EXPECT_TRUE(another.WaitForRequests(1));
    }
    EXPECT_EQ(host.RunPosted(), 0u);
}

TEST(UpdateCheckThreadTest, StoppedCheckCanStartAgain) {
    LocalHttpServer server(HttpResponse("10105"));
    RecordingHost host;
    CUpdateCheckThread check;
    ASSERT_TRUE(check.Start(host, server.Url("/")));
    check.Stop();
    host.RunPosted();
    host.questions.clear();
    ASSERT_TRUE(check.Start(host, server.Url("/")));
    check.Wait();
    EXPECT_EQ(host.RunPosted(), 1u);
}

TEST(WebPageReaderTest, MissingLibraryGivesNoSessionAndNoText) {
    LocalHttpServer server(HttpResponse("10105"));
    const CWebPageReader reader(kNoLibrary);
    EXPECT_FALSE(reader.HasSession());
    EXPECT_EQ(reader.ReadPage(server.Url("/version.txt")), "");
    EXPECT_TRUE(server.Requests().empty());
}

TEST(WebPageReaderTest, FailedNetworkTestSendsNothing) {
    const CWebPageReader reader;
    ASSERT_TRUE(reader.HasSession());
    EXPECT_FALSE(reader.IsNetworkAvailable("http:///version.txt"));
    EXPECT_EQ(reader.ReadPage("http:///version.txt"), "");
}

TEST(WebPageReaderTest, ReadsThePageText) {
    LocalHttpServer server(HttpResponse("10105\r\n"));
    const CWebPageReader reader;
    EXPECT_TRUE(reader.IsNetworkAvailable(server.Url("/")));
    EXPECT_EQ(reader.ReadPage(server.Url("/version.txt")), "10105\r\n");
}

}  // namespace
