#include "platform/net/internet.h"
#include "platform/win/errors.h"
#include "tests/platform/net/test_servers.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

using namespace net;
using tavix::testing::patternBytes;
using tavix::testing::TempDir;
using tavix::testing::TestServer;
using tavix::testing::writeFile;

namespace {

// Reads a file or request to its end in blocks of blockSize.
bool readAll(HINTERNET file, std::string& out, uint32_t blockSize = 8192)
{
    std::string block(blockSize, '\0');
    for (;;) {
        uint32_t got = 0;
        if (!InternetReadFile(file, block.data(), blockSize, got))
            return false;
        if (got == 0)
            return true;
        out.append(block.data(), got);
    }
}

std::string lastResponse()
{
    char buffer[3000];
    uint32_t length = sizeof buffer;
    uint32_t error = 0;
    return InternetGetLastResponseInfo(error, buffer, length) ? std::string(buffer, length) : "<none>";
}

class InternetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(dir / "small.txt", "hello, setup\n");
        big = patternBytes(3 * 1024 * 1024 + 517);
        writeFile(dir / "big.1", big);
        std::filesystem::create_directories(dir / "dl" / "sub dir");
        writeFile(dir / "dl" / "sub dir" / "inner.1", "inner");
        writeFile(dir / "empty.1", "");
        SetInternetOption(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, 2000);
        session = InternetOpen("tests", INTERNET_OPEN_TYPE_PRECONFIG, "", "", 0);
        ASSERT_NE(session, nullptr);
    }
    void TearDown() override
    {
        if (session)
            InternetCloseHandle(session);
        SetInternetOption(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, 60000);
    }

    HINTERNET httpGet(HINTERNET connection, const std::string& path)
    {
        HINTERNET request = HttpOpenRequest(connection, "GET", path, nullptr, nullptr, nullptr,
            INTERNET_FLAG_RELOAD | INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_CACHE_WRITE, 0);
        EXPECT_NE(request, nullptr);
        return request;
    }

    std::string queryText(HINTERNET request, uint32_t level)
    {
        char buffer[33];
        uint32_t length = sizeof buffer;
        return HttpQueryInfo(request, level, buffer, length, nullptr) ? std::string(buffer, length) : "<fail>";
    }

    TempDir dir { "net" };
    std::string big;
    HINTERNET session = nullptr;
};

// HTTP: lost or reordered blocks, a wrong content length or status, and a
// connection that cannot carry a second request would all show here.
TEST_F(InternetTest, HttpDownloadsByteForByteWithLengthAndStatus)
{
    TestServer server(TestServer::Kind::Http, dir.path());
    HINTERNET c = InternetConnect(session, server.hostname(), 0, "", "", INTERNET_SERVICE_HTTP, 0, 0);
    ASSERT_NE(c, nullptr);

    HINTERNET r = httpGet(c, "/big.1");
    ASSERT_TRUE(HttpSendRequest(r, "Accept: */*\r\n\r\n", -1, nullptr, 0)) << win::lastError();
    EXPECT_EQ(queryText(r, HTTP_QUERY_STATUS_CODE), "200");
    EXPECT_EQ(queryText(r, HTTP_QUERY_CONTENT_LENGTH), std::to_string(big.size()));
    uint32_t available = 0;
    ASSERT_TRUE(InternetQueryDataAvailable(r, available, 0, 0));
    EXPECT_EQ(available, big.size());
    std::string got;
    ASSERT_TRUE(readAll(r, got, 8192)) << win::lastError();
    EXPECT_TRUE(got == big) << "sizes " << got.size() << " / " << big.size();
    EXPECT_TRUE(InternetCloseHandle(r));

    // A second request on the same connection; a path with a blank is escaped.
    HINTERNET r2 = httpGet(c, "dl/sub dir/inner.1");
    ASSERT_TRUE(HttpSendRequest(r2, "", 0, nullptr, 0));
    std::string inner;
    ASSERT_TRUE(readAll(r2, inner));
    EXPECT_EQ(inner, "inner");

    HINTERNET missing = httpGet(c, "/none.1");
    ASSERT_TRUE(HttpSendRequest(missing, "", 0, nullptr, 0));
    EXPECT_EQ(queryText(missing, HTTP_QUERY_STATUS_CODE), "404");
    EXPECT_NE(lastResponse().find("404"), std::string::npos);
}

// A reply without a Content-Length must say so (header not found), not
// invent a length; the body still arrives whole.
TEST_F(InternetTest, HttpWithoutLengthReportsHeaderNotFound)
{
    TestServer server(TestServer::Kind::Http, dir.path());
    HINTERNET c = InternetConnect(session, server.hostname(), 0, "", "", INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET r = httpGet(c, "/nolength/small.txt");
    ASSERT_TRUE(HttpSendRequest(r, "", 0, nullptr, 0));
    char buffer[33];
    uint32_t length = sizeof buffer;
    EXPECT_FALSE(HttpQueryInfo(r, HTTP_QUERY_CONTENT_LENGTH, buffer, length, nullptr));
    EXPECT_EQ(win::lastError(), ERROR_HTTP_HEADER_NOT_FOUND);
    std::string got;
    ASSERT_TRUE(readAll(r, got, 5));
    EXPECT_EQ(got, "hello, setup\n");
}

// HTTP login: without the credentials the server's 401 comes back, with
// them the file.
TEST_F(InternetTest, HttpLoginAnswersTheChallenge)
{
    TestServer server(TestServer::Kind::Http, dir.path(), "setup", "s3cret");
    HINTERNET anon = InternetConnect(session, server.hostname(), 0, "", "", INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET r = httpGet(anon, "/private/small.txt");
    ASSERT_TRUE(HttpSendRequest(r, "", 0, nullptr, 0));
    EXPECT_EQ(queryText(r, HTTP_QUERY_STATUS_CODE), "401");

    HINTERNET login = InternetConnect(session, server.hostname(), 0, "setup", "s3cret", INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET r2 = httpGet(login, "/private/small.txt");
    ASSERT_TRUE(HttpSendRequest(r2, "", 0, nullptr, 0));
    EXPECT_EQ(queryText(r2, HTTP_QUERY_STATUS_CODE), "200");
    std::string got;
    ASSERT_TRUE(readAll(r2, got));
    EXPECT_EQ(got, "hello, setup\n");
}

// FTP: the directory rule (relative, absolute, root), the size the server
// announced, missing files and directories with the server's reply, and the
// one-file-at-a-time rule of a connection.
TEST_F(InternetTest, FtpDirectoriesFilesAndRefusals)
{
    TestServer server(TestServer::Kind::Ftp, dir.path());
    HINTERNET c = InternetConnect(session, server.hostname(), 0, nullptr, nullptr, INTERNET_SERVICE_FTP, 0, 0);
    ASSERT_NE(c, nullptr) << win::lastError() << " " << lastResponse();

    ASSERT_TRUE(FtpSetCurrentDirectory(c, "/"));
    HINTERNET f = FtpOpenFile(c, "big.1", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    ASSERT_NE(f, nullptr) << win::lastError() << " " << lastResponse();
    uint32_t available = 0;
    ASSERT_TRUE(InternetQueryDataAvailable(f, available, 0, 0));
    EXPECT_EQ(available, big.size());
    EXPECT_EQ(FtpOpenFile(c, "small.txt", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0), nullptr);
    EXPECT_EQ(win::lastError(), ERROR_FTP_TRANSFER_IN_PROGRESS);
    std::string got;
    ASSERT_TRUE(readAll(f, got, 8192)) << win::lastError();
    EXPECT_TRUE(got == big) << "sizes " << got.size() << " / " << big.size();
    ASSERT_TRUE(InternetCloseHandle(f));

    ASSERT_TRUE(FtpSetCurrentDirectory(c, "dl"));
    ASSERT_TRUE(FtpSetCurrentDirectory(c, "sub dir"));
    HINTERNET inner = FtpOpenFile(c, "inner.1", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    ASSERT_NE(inner, nullptr);
    std::string innerText;
    ASSERT_TRUE(readAll(inner, innerText));
    EXPECT_EQ(innerText, "inner");
    InternetCloseHandle(inner);

    EXPECT_FALSE(FtpSetCurrentDirectory(c, "/nowhere"));
    EXPECT_EQ(win::lastError(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(lastResponse().substr(0, 3), "550");

    ASSERT_TRUE(FtpSetCurrentDirectory(c, "/dl/sub dir/"));
    EXPECT_EQ(FtpOpenFile(c, "none.1", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0), nullptr);
    EXPECT_EQ(win::lastError(), ERROR_INTERNET_EXTENDED_ERROR);
    EXPECT_EQ(lastResponse().substr(0, 3), "550");

    ASSERT_TRUE(FtpSetCurrentDirectory(c, "/"));
    HINTERNET empty = FtpOpenFile(c, "empty.1", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    ASSERT_NE(empty, nullptr);
    std::string none;
    ASSERT_TRUE(readAll(empty, none));
    EXPECT_TRUE(none.empty());
}

// FTP login: a named user lands in its own home; a wrong password fails at
// the connection with the server's reply.
TEST_F(InternetTest, FtpLoginAndWrongPassword)
{
    std::filesystem::create_directories(dir / "home");
    writeFile(dir / "home" / "mine.1", "user file");
    TestServer server(TestServer::Kind::Ftp, dir.path(), "setup", "s3cret", dir / "home");
    HINTERNET c = InternetConnect(session, server.hostname(), 0, "setup", "s3cret", INTERNET_SERVICE_FTP, 0, 0);
    ASSERT_NE(c, nullptr) << win::lastError() << " " << lastResponse();
    HINTERNET f = FtpOpenFile(c, "mine.1", GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    ASSERT_NE(f, nullptr);
    std::string got;
    ASSERT_TRUE(readAll(f, got));
    EXPECT_EQ(got, "user file");

    EXPECT_EQ(InternetConnect(session, server.hostname(), 0, "setup", "wrong", INTERNET_SERVICE_FTP, 0, 0), nullptr);
    EXPECT_EQ(win::lastError(), ERROR_INTERNET_INCORRECT_PASSWORD);
    EXPECT_EQ(lastResponse().substr(0, 3), "530");
}

// Failures that must not pass for success: a refused connection, a server
// that stops sending (bounded by the receive timeout), a reply cut short.
TEST_F(InternetTest, RefusedStalledAndCutTransfersFail)
{
    tavix::testing::RefusingPort refusing;
    EXPECT_EQ(InternetConnect(session, refusing.hostname(), 0, nullptr, nullptr, INTERNET_SERVICE_FTP, 0, 0), nullptr);
    EXPECT_EQ(win::lastError(), ERROR_INTERNET_CANNOT_CONNECT);
    EXPECT_EQ(lastResponse(), "<none>");

    HINTERNET c = InternetConnect(session, refusing.hostname(), 0, "", "", INTERNET_SERVICE_HTTP, 0, 0);
    ASSERT_NE(c, nullptr); // HTTP sends nothing before the request
    HINTERNET r = httpGet(c, "/small.txt");
    EXPECT_FALSE(HttpSendRequest(r, "", 0, nullptr, 0));
    EXPECT_EQ(win::lastError(), ERROR_INTERNET_CANNOT_CONNECT);

    TestServer server(TestServer::Kind::Http, dir.path());
    HINTERNET live = InternetConnect(session, server.hostname(), 0, "", "", INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET stall = httpGet(live, "/stall/x");
    ASSERT_TRUE(HttpSendRequest(stall, "", 0, nullptr, 0));
    const auto start = std::chrono::steady_clock::now();
    std::string got;
    EXPECT_FALSE(readAll(stall, got));
    EXPECT_EQ(win::lastError(), ERROR_INTERNET_TIMEOUT);
    EXPECT_EQ(got.size(), 10000u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));

    HINTERNET cut = httpGet(live, "/cut/x");
    ASSERT_TRUE(HttpSendRequest(cut, "", 0, nullptr, 0));
    std::string part;
    EXPECT_FALSE(readAll(cut, part));
    EXPECT_EQ(win::lastError(), ERROR_INTERNET_CONNECTION_ABORTED);
}

// The receive timeout is about the server, not the whole transfer: a reader
// that takes longer than it between blocks (a busy user interface) and a
// download that lasts longer than it in total both go on.
TEST_F(InternetTest, SlowReaderIsNotATimeout)
{
    TestServer server(TestServer::Kind::Http, dir.path());
    SetInternetOption(session, INTERNET_OPTION_RECEIVE_TIMEOUT, 700);
    HINTERNET c = InternetConnect(session, server.hostname(), 0, "", "", INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET r = httpGet(c, "/big.1");
    ASSERT_TRUE(HttpSendRequest(r, "", 0, nullptr, 0));
    std::string got(8192, '\0');
    uint32_t n = 0;
    ASSERT_TRUE(InternetReadFile(r, got.data(), 8192, n));
    got.resize(n);
    for (int pause = 0; pause < 2; ++pause) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        std::string block(300 * 1024, '\0');
        ASSERT_TRUE(InternetReadFile(r, block.data(), static_cast<uint32_t>(block.size()), n)) << win::lastError();
        got.append(block.data(), n);
    }
    ASSERT_TRUE(readAll(r, got)) << win::lastError();
    EXPECT_TRUE(got == big);
}

// Input that would change the URL or the FTP command is refused, and closed
// or foreign handles are reported instead of used.
TEST_F(InternetTest, UnsafeNamesAndDeadHandlesAreRefused)
{
    EXPECT_EQ(InternetConnect(session, "evil.example/x?", 0, "", "", INTERNET_SERVICE_HTTP, 0, 0), nullptr);
    EXPECT_EQ(win::lastError(), ERROR_INTERNET_INVALID_URL);
    EXPECT_EQ(InternetConnect(session, "host:99999", 0, "", "", INTERNET_SERVICE_HTTP, 0, 0), nullptr);
    EXPECT_EQ(InternetConnect(session, "host:80", 0, "a\r\nb", "", INTERNET_SERVICE_HTTP, 0, 0), nullptr);

    HINTERNET c = InternetConnect(session, "127.0.0.1", 0, "", "", INTERNET_SERVICE_HTTP, 0, 0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(HttpOpenRequest(c, "GET", "/a\r\nHost: x", nullptr, nullptr, nullptr, 0, 0), nullptr);
    EXPECT_EQ(win::lastError(), ERROR_INTERNET_INVALID_URL);
    HINTERNET r = httpGet(c, "/a");
    uint32_t got = 0;
    char buffer[8];
    EXPECT_FALSE(InternetReadFile(r, buffer, sizeof buffer, got));
    EXPECT_EQ(win::lastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);

    // Closing the session closes what was opened below it.
    ASSERT_TRUE(InternetCloseHandle(session));
    session = nullptr;
    EXPECT_FALSE(InternetCloseHandle(c));
    EXPECT_EQ(win::lastError(), win::ERROR_INVALID_HANDLE);
    EXPECT_FALSE(InternetReadFile(r, buffer, sizeof buffer, got));
    EXPECT_EQ(win::lastError(), win::ERROR_INVALID_HANDLE);
}

} // namespace
