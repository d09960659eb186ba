#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/translator.h"

#include "platform/net/internet.h"
#include "platform/ui/message_service.h"
#include "tests/platform/net/test_servers.h"
#include "tests/setup/installlib/machine_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

using namespace installlib;
using tavix::testing::patternBytes;
using tavix::testing::RefusingPort;
using tavix::testing::TestServer;
using tavix::testing::writeFile;

namespace {

struct Block {
    std::string file;
    int size, soFar, fileSize;
};

class NetLocationTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        served = dir.path() / "served";
        std::filesystem::create_directories(served / "dl" / "sub");
        std::filesystem::create_directories(served / "home");
        small = "archive bytes\r\n";
        big = patternBytes(5 * 1024 * 1024 + 1234, 7);
        writeFile(served / "small.1", small);
        writeFile(served / "big.1", big);
        writeFile(served / "dl" / "sub" / "deep.1", "deep file");
        writeFile(served / "dl" / "filelist.lst", "list");
        writeFile(served / "home" / "mine.1", "for the user only");
        writeFile(served / "empty.1", "");
        writeFile(served / "has404.1", "404 Not Found? No: these are the archive's bytes");
        net::SetInternetOption(nullptr, net::INTERNET_OPTION_RECEIVE_TIMEOUT, 2000);
        ui::MessageService::setCurrent(&messages);
        ASSERT_TRUE(machine->forceDirectories("C:\\TEMP\\down"));
        SetNetUserAbort(false);
    }
    void TearDown() override
    {
        SetNetUserAbort(false);
        ui::MessageService::setCurrent(nullptr);
        net::SetInternetOption(nullptr, net::INTERNET_OPTION_RECEIVE_TIMEOUT, 60000);
        net::SetInternetOption(nullptr, net::INTERNET_OPTION_HEADERS_TIMEOUT, 120000);
        MachineTest::TearDown();
    }

    std::unique_ptr<TCustomNetInstallLocation> makeLocation(
        TInternetProtocol protocol, const std::string& host, const std::string& directory = {})
    {
        auto location = std::make_unique<TCustomNetInstallLocation>();
        location->SetName("NetLocation1");
        location->LoginInformation().Protocol = protocol;
        location->LoginInformation().Hostname = host;
        location->LoginInformation().Directory = directory;
        location->OnDataReceived
            = [this](TComponent*, const std::string& file, int size, int soFar, int fileSize, const void*) {
                  blocks.push_back({ file, size, soFar, fileSize });
              };
        return location;
    }

    std::string local(const std::string& name = "x.1") const { return "C:\\TEMP\\down\\" + name; }
    std::string readLocal(const std::string& name = "x.1") const
    {
        std::string bytes;
        EXPECT_TRUE(machine->readFile(local(name), bytes));
        return bytes;
    }
    // Everything in the download folder, so a left-over partial file shows.
    std::vector<std::string> downFolder() const
    {
        std::vector<std::string> names;
        for (const auto& f : machine->findFiles("C:\\TEMP\\down\\*"))
            names.push_back(f.name);
        return names;
    }
    void checkBlocks(size_t expectedTotal, int expectedFileSize)
    {
        ASSERT_FALSE(blocks.empty());
        int64_t sum = 0;
        for (const Block& b : blocks) {
            EXPECT_GT(b.size, 0);
            EXPECT_LE(b.size, 8192);
            sum += b.size;
            EXPECT_EQ(b.soFar, sum);
            EXPECT_EQ(b.fileSize, expectedFileSize);
        }
        EXPECT_EQ(sum, static_cast<int64_t>(expectedTotal));
    }

    std::filesystem::path served;
    std::string small, big;
    ui::ScriptedMessageService messages;
    std::vector<Block> blocks;
};

template <class E, class F> std::string messageOf(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return std::string("wrong exception: ") + e.what();
    }
    return "no exception";
}

// Path rules: a lost leading "/" on HTTP, back slashes left in an FTP path
// or a blank directory that is not the root would all fetch the wrong file.
TEST(NetLocationPaths, ServerAndRequestPaths)
{
    EXPECT_EQ(NetServerPath("setup\\files"), "setup/files");
    EXPECT_EQ(NetServerPath(""), "/");
    EXPECT_EQ(NetServerPath("  "), "/");
    EXPECT_EQ(NetServerPath(" \\pub\\setup "), "/pub/setup");
    EXPECT_EQ(NetHttpRequestPath("", "files.1"), "/files.1");
    EXPECT_EQ(NetHttpRequestPath("dl", "files.1"), "/dl/files.1");
    EXPECT_EQ(NetHttpRequestPath("dl\\", "files.1"), "/dl/files.1");
    EXPECT_EQ(NetHttpRequestPath("\\web\\dl", "files.1"), "/web/dl/files.1");
    EXPECT_EQ(NetHttpRequestPath("dl/", "files.1"), "/dl/files.1");
}

// The login rules file-related objects rely on, the copy of all six
// properties, and the error names that end up in every message.
TEST(NetLocationPaths, LoginRulesAndErrorNames)
{
    TCustomNetInstallLocation location;
    TLoginInformation login;
    EXPECT_FALSE(location.IsLoginInformationSet(login));
    login.Hostname = "   ";
    EXPECT_FALSE(location.IsLoginInformationSet(login));
    login.Anonymous = false;
    login.Username = " user ";
    EXPECT_TRUE(location.IsLoginInformationSet(login));
    login.Anonymous = true;
    EXPECT_FALSE(location.IsLoginInformationSet(login));
    login.Hostname = "host";
    EXPECT_TRUE(location.IsLoginInformationSet(login));

    login.Anonymous = false;
    login.Directory = "d";
    login.Password = "p";
    login.Protocol = ipFTP;
    location.SetLoginInformation(login);
    const TLoginInformation& set = location.LoginInformation();
    EXPECT_EQ(set.Location(), &location);
    EXPECT_FALSE(set.Anonymous);
    EXPECT_EQ(set.Directory, "d");
    EXPECT_EQ(set.Hostname, "host");
    EXPECT_EQ(set.Password, "p");
    EXPECT_EQ(set.Protocol, ipFTP);
    EXPECT_EQ(set.Username, " user ");

    EXPECT_EQ(NetErrorName(6), "ERROR_INVALID_HANDLE");
    EXPECT_EQ(NetErrorName(12001), "ERROR_INTERNET_OUT_OF_HANDLES");
    EXPECT_EQ(NetErrorName(12029), "ERROR_INTERNET_CANNOT_CONNECT");
    EXPECT_EQ(NetErrorName(12031), "ERROR_INTERNET_CONNECTION_RESET");
    EXPECT_EQ(NetErrorName(12032), "ERROR_INTERNET_FORCE_RETRY");
    EXPECT_EQ(NetErrorName(12033), "Unregistered error code");
    EXPECT_EQ(NetErrorName(12111), "ERROR_FTP_DROPPED");
    EXPECT_EQ(NetErrorName(12138), "ERROR_GOPHER_UNKNOWN_LOCATOR");
    EXPECT_EQ(NetErrorName(12155), "ERROR_HTTP_HEADER_ALREADY_EXISTS");
    EXPECT_EQ(NetErrorName(12156), "ERROR_HTTP_REDIRECT_FAILED");
    EXPECT_EQ(NetErrorName(12157), "Unregistered error code");
    EXPECT_EQ(NetErrorName(0), "Unregistered error code");
}

// The library-wide list and references: a freed location left in the list,
// as default or as the host of the messages would be used after free.
TEST(NetLocationGlobals, ListDefaultAndConnectingFollowTheLocations)
{
    const int before = NetInstallLocationList().Count();
    auto a = std::make_unique<TCustomNetInstallLocation>();
    auto b = std::make_unique<TCustomNetInstallLocation>();
    ASSERT_EQ(NetInstallLocationList().Count(), before + 2);
    EXPECT_EQ(NetInstallLocationList().Items(before + 1), b.get());
    SetDefaultNetLocation(a.get());
    RefusingPort refusing;
    a->LoginInformation().Hostname = refusing.hostname();
    a->LoginInformation().Protocol = ipFTP;
    EXPECT_THROW(a->Connect(), ENIL_OpenService);
    EXPECT_EQ(ConnectingNetLocation(), a.get());
    EXPECT_TRUE(a->WininetLoaded());
    a.reset();
    EXPECT_EQ(DefaultNetLocation(), nullptr);
    EXPECT_EQ(ConnectingNetLocation(), nullptr);
    EXPECT_EQ(NetInstallLocationList().Count(), before + 1);
    EXPECT_THROW(NetInstallLocationList().Add(nullptr), IENetList);
}

// HTTP, anonymous: whole files byte for byte into the machine, one block
// event per block with the announced size, the events in order, and one
// connection for several downloads.
TEST_F(NetLocationTest, HttpDownloadsWithEventsAndOneConnection)
{
    TestServer server(TestServer::Kind::Http, served);
    auto location = makeLocation(ipHTTP, server.hostname());
    std::vector<std::string> events;
    location->OnBeforeConnect = [&](TComponent* s) { events.push_back("before connect " + s->Name()); };
    location->OnAfterConnect = [&](TComponent*) { events.push_back("after connect"); };
    location->OnBeforeDownload = [&](TComponent*) { events.push_back("before download"); };
    location->OnDataReceivedHook = [&](TComponent*, const std::string&, int, int soFar, int, const void*) {
        ASSERT_FALSE(blocks.empty());
        EXPECT_EQ(blocks.back().soFar, soFar); // right after OnDataReceived
    };
    location->OnAfterDownload
        = [&](TComponent*, bool aborted) { events.push_back(aborted ? "after download aborted" : "after download"); };

    location->Download("big.1", local("big.1"));
    EXPECT_TRUE(readLocal("big.1") == big);
    checkBlocks(big.size(), static_cast<int>(big.size()));
    // After every block, and while a slow server is waited for.
    EXPECT_GE(messages.processCount(), static_cast<int>(blocks.size()));
    EXPECT_EQ(location->RemoteFileName(), "big.1");
    EXPECT_EQ(location->LocalFileName(), local("big.1"));

    blocks.clear();
    location->Download("small.1", local());
    EXPECT_EQ(readLocal(), small);
    checkBlocks(small.size(), static_cast<int>(small.size()));
    EXPECT_EQ(events,
        (std::vector<std::string> { "before connect NetLocation1", "after connect", "before download", "after download",
            "before download", "after download" }));
    EXPECT_EQ(downFolder(), (std::vector<std::string> { "big.1", "x.1" }));
}

// HTTP with a login and a directory: the directory goes before the name and
// the credentials answer the server's challenge; anonymous gets no file.
TEST_F(NetLocationTest, HttpWithLoginAndDirectory)
{
    TestServer server(TestServer::Kind::Http, served, "setup", "s3cret");
    auto location = makeLocation(ipHTTP, server.hostname(), "private\\dl");
    location->LoginInformation().Anonymous = false;
    location->LoginInformation().Username = "setup";
    location->LoginInformation().Password = "s3cret";
    location->Download("filelist.lst", local());
    EXPECT_EQ(readLocal(), "list");

    auto anonymous = makeLocation(ipHTTP, server.hostname(), "private\\dl");
    const std::string text = messageOf<ENIL_HTTPOpenFile>([&] { anonymous->Download("filelist.lst", local("y.1")); });
    EXPECT_NE(text.find("Cannot open file filelist.lst on server."), std::string::npos) << text;
    EXPECT_NE(text.find("401"), std::string::npos) << text;
    EXPECT_FALSE(machine->fileExists(local("y.1")));
}

// FTP, anonymous and with a login: the directory with back slashes is set
// on the server, a multi-megabyte file arrives whole with the size the
// server announced, and a named user reads from its own home.
TEST_F(NetLocationTest, FtpAnonymousAndLogin)
{
    TestServer server(TestServer::Kind::Ftp, served, "setup", "s3cret", served / "home");
    auto location = makeLocation(ipFTP, server.hostname(), "dl\\sub");
    location->Download("deep.1", local());
    EXPECT_EQ(readLocal(), "deep file");

    location->LoginInformation().Directory = "";
    blocks.clear();
    location->Download("big.1", local("big.1"));
    EXPECT_TRUE(readLocal("big.1") == big);
    checkBlocks(big.size(), static_cast<int>(big.size()));

    auto user = makeLocation(ipFTP, server.hostname(), " ");
    user->LoginInformation().Anonymous = false;
    user->LoginInformation().Username = "setup";
    user->LoginInformation().Password = "s3cret";
    user->Download("mine.1", local("mine.1"));
    EXPECT_EQ(readLocal("mine.1"), "for the user only");

    user->LoginInformation().Password = "wrong";
    user->Disconnect();
    const std::string text = messageOf<ENIL_OpenService>([&] { user->Download("mine.1", local("mine.1")); });
    EXPECT_NE(text.find("ERROR_INTERNET_INCORRECT_PASSWORD"), std::string::npos) << text;
    EXPECT_EQ(readLocal("mine.1"), "for the user only");
}

// A relative directory is taken from the login directory on every
// download, not from where the last one left the connection.
TEST_F(NetLocationTest, RelativeDirectoryForEveryDownload)
{
    for (auto protocol : { ipFTP, ipHTTP }) {
        SCOPED_TRACE(protocol == ipHTTP ? "http" : "ftp");
        TestServer server(protocol == ipHTTP ? TestServer::Kind::Http : TestServer::Kind::Ftp, served);
        auto location = makeLocation(protocol, server.hostname(), "dl");
        location->Download("filelist.lst", local());
        location->Download("filelist.lst", local("y.1"));
        EXPECT_EQ(readLocal("y.1"), "list");
        location->LoginInformation().Directory = "dl\\sub";
        location->Download("deep.1", local());
        EXPECT_EQ(readLocal(), "deep file");
    }
}

// Replies that are not the whole file, or not a reply at all, fail with
// their cause named; a trickle of headers or of interim replies ends at
// its limit, or sooner at Cancel. The local file stays as it was.
TEST_F(NetLocationTest, DoubtfulAndEndlessRepliesAreRefused)
{
    ASSERT_TRUE(machine->writeFile(local(), "old contents"));
    TestServer server(TestServer::Kind::Http, served);
    net::SetInternetOption(nullptr, net::INTERNET_OPTION_HEADERS_TIMEOUT, 300);
    const std::string send = "Cannot send request for file x to the server. Error message ";
    for (const auto& [directory, text] :
        std::vector<std::pair<std::string, std::string>> { { "partial", "Cannot open file x on server." },
            { "twolengths", send + "ERROR_HTTP_INVALID_SERVER_RESPONSE." },
            { "loop", send + "ERROR_HTTP_REDIRECT_FAILED." },
            { "http09", send + "ERROR_HTTP_INVALID_SERVER_RESPONSE." }, { "trickle", send + "ERROR_INTERNET_TIMEOUT." },
            { "continue", send + "ERROR_INTERNET_TIMEOUT." } }) {
        auto location = makeLocation(ipHTTP, server.hostname(), directory);
        const std::string message = messageOf<ENIL>([&] { location->Download("x", local()); });
        EXPECT_EQ(message.find(text), 0u) << message;
    }
    net::SetInternetOption(nullptr, net::INTERNET_OPTION_HEADERS_TIMEOUT, 60000);
    messages.onProcessMessages([&] { SetNetUserAbort(true); });
    auto location = makeLocation(ipHTTP, server.hostname(), "trickle");
    bool aborted = false;
    location->OnAfterDownload = [&](TComponent*, bool a) { aborted = a; };
    EXPECT_NO_THROW(location->Download("x", local()));
    EXPECT_TRUE(aborted);
    EXPECT_EQ(readLocal(), "old contents");
    EXPECT_EQ(downFolder(), (std::vector<std::string> { "x.1" }));
}

// A missing file on each protocol, a missing FTP directory and an empty
// file fail with their errors, name the server and its reply, and leave
// the local file as it was.
TEST_F(NetLocationTest, MissingFilesAndDirectories)
{
    ASSERT_TRUE(machine->writeFile(local(), "old contents"));
    TestServer http(TestServer::Kind::Http, served);
    auto web = makeLocation(ipHTTP, http.hostname(), "dl");
    std::string text = messageOf<ENIL_FileNotFound>([&] { web->Download("none.1", local()); });
    EXPECT_EQ(text.find("Could not find the file none.1 on the server. Error message "), 0u) << text;
    EXPECT_NE(text.find(". Server " + http.hostname() + ". Response from server HTTP/1.0 404"), std::string::npos)
        << text;
    EXPECT_EQ(messageOf<ENIL_FileNotFound>([&] { web->Download("../empty.1", local()); }).find("Could not find"), 0u);
    EXPECT_EQ(
        messageOf<ENIL_HTTPOpenFile>([&] { web->Download("../status/500", local()); }).find("Cannot open file"), 0u);

    TestServer ftp(TestServer::Kind::Ftp, served);
    auto site = makeLocation(ipFTP, ftp.hostname(), "dl");
    text = messageOf<ENIL_FTPOpenFile>([&] { site->Download("none.1", local()); });
    EXPECT_EQ(text.find("Cannot open file none.1 on server. Error message ERROR_INTERNET_EXTENDED_ERROR. Server "
                  + ftp.hostname() + ". Response from server 550"),
        0u)
        << text;
    site->LoginInformation().Directory = "";
    text = messageOf<ENIL_FileNotFound>([&] { site->Download("empty.1", local()); });
    EXPECT_EQ(text.find("Could not find the file empty.1 on the server."), 0u) << text;
    site->LoginInformation().Directory = "\\nowhere";
    text = messageOf<ENIL_FTPSetDir>([&] { site->Download("small.1", local()); });
    EXPECT_EQ(text.find("Cannot set directory on server to /nowhere."), 0u) << text;

    EXPECT_EQ(readLocal(), "old contents");
    EXPECT_EQ(downFolder(), (std::vector<std::string> { "x.1" }));
}

// A local file that cannot be written (full drive, missing folder) fails
// with the location's name and the local path, and never leaves a partial
// file in place of the old one.
TEST_F(NetLocationTest, LocalWriteFailures)
{
    ASSERT_TRUE(machine->writeFile(local(), "old contents"));
    TestServer server(TestServer::Kind::Http, served);
    auto location = makeLocation(ipHTTP, server.hostname());
    const auto used = [&] {
        machine->setDriveCapacity('C', 1ull << 40);
        return (1ull << 40) - *machine->diskFreeSpace("C:\\");
    }();
    machine->setDriveCapacity('C', used + 64 * 1024);
    EXPECT_EQ(messageOf<ENIL_WriteDestFile>([&] { location->Download("big.1", local()); }),
        "NetLocation1 could not write to the local dest file " + local());
    machine->setDriveCapacity('C', 0);
    EXPECT_EQ(readLocal(), "old contents");
    EXPECT_EQ(downFolder(), (std::vector<std::string> { "x.1" }));

    EXPECT_EQ(messageOf<ENIL_WriteDestFile>([&] { location->Download("small.1", "C:\\missing\\x.1"); }),
        "NetLocation1 could not write to the local dest file C:\\missing\\x.1");
}

// Data is data: a file whose first bytes read "404" downloads whole.
TEST_F(NetLocationTest, FileThatContains404IsData)
{
    TestServer server(TestServer::Kind::Http, served);
    auto location = makeLocation(ipHTTP, server.hostname());
    location->Download("has404.1", local());
    EXPECT_EQ(readLocal(), "404 Not Found? No: these are the archive's bytes");
}

// A refused connection on each protocol fails at its own step with the
// connection error and no server reply; nothing is written.
TEST_F(NetLocationTest, RefusedConnection)
{
    RefusingPort refusing;
    auto web = makeLocation(ipHTTP, refusing.hostname());
    std::string text = messageOf<ENIL_HTTPSendRequest>([&] { web->Download("small.1", local()); });
    EXPECT_EQ(text,
        "Cannot send request for file small.1 to the server. Error message ERROR_INTERNET_CANNOT_CONNECT. Server "
            + refusing.hostname() + ". Response from server No server response");

    auto site = makeLocation(ipFTP, refusing.hostname());
    bool afterConnect = false;
    site->OnAfterConnect = [&](TComponent*) { afterConnect = true; };
    text = messageOf<ENIL_OpenService>([&] { site->Download("small.1", local()); });
    EXPECT_EQ(
        text.find("Cannot connect to host " + refusing.hostname() + ". Error message ERROR_INTERNET_CANNOT_CONNECT."),
        0u)
        << text;
    EXPECT_FALSE(afterConnect);
    EXPECT_FALSE(site->Connected());
    EXPECT_TRUE(downFolder().empty());
}

// The user reads the messages in the interface language: the step, the
// frame and the missing-reply text pass through the translator.
TEST_F(NetLocationTest, MessagesAreTranslated)
{
    TTranslator translator;
    translator.TranslateIntoLanguage = qgGerman;
    translator.lgEnglish().Strings().Assign({ "1;Cannot connect to host %s",
        "2;%s. Error message %s. Server %s. Response from server %s", "3;No server response" });
    translator.lgGerman().Strings().Assign(
        { "1;Keine Verbindung zu %s", "2;%s. Fehler %s. Server %s. Antwort %s", "3;Keine Antwort" });
    RefusingPort refusing;
    auto site = makeLocation(ipFTP, refusing.hostname());
    EXPECT_EQ(messageOf<ENIL_OpenService>([&] { site->Connect(); }),
        "Keine Verbindung zu " + refusing.hostname() + ". Fehler ERROR_INTERNET_CANNOT_CONNECT. Server "
            + refusing.hostname() + ". Antwort Keine Antwort");
}

// A server that stops sending must not hang the setup: the read fails
// after the receive timeout and the partial file is removed.
TEST_F(NetLocationTest, StallingServerTimesOut)
{
    TestServer server(TestServer::Kind::Http, served);
    auto location = makeLocation(ipHTTP, server.hostname(), "stall");
    const auto start = std::chrono::steady_clock::now();
    const std::string text = messageOf<ENIL_ReadFile>([&] { location->Download("x", local()); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(text.find("Could not read from file x on the server. Error message ERROR_INTERNET_TIMEOUT."), 0u) << text;
    EXPECT_FALSE(blocks.empty());
    EXPECT_TRUE(downFolder().empty());

    // A reply cut short is an error too, not a shorter file.
    auto cut = makeLocation(ipHTTP, server.hostname(), "cut");
    EXPECT_NE(messageOf<ENIL_ReadFile>([&] { cut->Download("x", local()); }).find("ERROR_INTERNET_CONNECTION_ABORTED"),
        std::string::npos);
    EXPECT_TRUE(downFolder().empty());
}

// Cancel in the middle (pressed while messages are processed): the block
// just received is not written, the download ends without an error and its
// last event says aborted, and no partial file stays behind.
TEST_F(NetLocationTest, AbortInTheMiddle)
{
    for (auto protocol : { ipHTTP, ipFTP }) {
        SCOPED_TRACE(protocol == ipHTTP ? "http" : "ftp");
        TestServer server(protocol == ipHTTP ? TestServer::Kind::Http : TestServer::Kind::Ftp, served);
        auto location = makeLocation(protocol, server.hostname());
        blocks.clear();
        messages.onProcessMessages([&] {
            if (blocks.size() == 3)
                SetNetUserAbort(true);
        });
        std::vector<std::string> order;
        location->OnAfterDownload = [&](TComponent*, bool aborted) {
            order.push_back(aborted ? "after download aborted" : "after download");
        };
        EXPECT_NO_THROW(location->Download("big.1", local()));
        EXPECT_EQ(order, (std::vector<std::string> { "after download aborted" }));
        EXPECT_TRUE(NetUserAbort());
        EXPECT_EQ(blocks.size(), 3u);
        EXPECT_TRUE(downFolder().empty());
        SetNetUserAbort(false);
        messages.onProcessMessages(nullptr);

        // The location stays usable after the abort.
        location->Download("small.1", local());
        EXPECT_EQ(readLocal(), small);
        ASSERT_TRUE(machine->deleteFile(local()));
    }
}

} // namespace
