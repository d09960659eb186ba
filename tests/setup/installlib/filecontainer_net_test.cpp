#include "tests/setup/installlib/filecontainer_fixture.h"

#include "setup/installlib/install.h"
#include "setup/installlib/registryroutines.h"
#include "tests/platform/net/test_servers.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace fctest;
using tavix::testing::TestServer;

namespace {

// Noise, so that the packed archive spans many download blocks.
std::string noise(size_t size, unsigned seed)
{
    std::string s(size, '\0');
    unsigned x = seed * 2654435761u + 3;
    for (char& c : s) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

const std::string kRecord = "\\SOFTWARE\\Quorle\\Install\\Install0";

class NetTreeTest : public FileContainerTest {
protected:
    // Main (group, C:\Tavix, archive C:\Build\files.1): tavixcat.exe
    //   Data (directory, \Data): parts.db and parts.px, both net files
    void SetUp() override
    {
        FileContainerTest::SetUp();
        served = dir.path() / "served";
        std::filesystem::create_directories(served / "dl");
        server.emplace(TestServer::Kind::Http, served);
        location = new TCustomNetInstallLocation(form);
        location->SetName("Server");
        location->LoginInformation().Hostname = server->hostname();
        location->LoginInformation().Directory = "dl";
        SetDefaultNetLocation(location);

        main = make<TInstallGroup>("Main");
        main->SetArchiveFile("C:\\Build\\files.1");
        main->SetDestDir("C:\\Tavix");
        data = make<TInstallDirectory>("Data", main);
        data->SetDestDir("\\Data");
        prog = file("Prog", main, "tavixcat.exe", "program");
        table = file("Table", data, "data\\parts.db", noise(200000, 1));
        index = file("Index", data, "data\\parts.px", "index bytes");
        table->Net = true;
        index->Net = true;
        data->OnDataReceived = [this](TObject*, const std::string& file, std::int32_t, std::int32_t total, std::int32_t,
                                   const void*) { received.push_back(file + " " + std::to_string(total)); };
    }
    void TearDown() override
    {
        InstallRunState().RunRecordKey.clear();
        SetDefaultNetLocation(nullptr);
        FileContainerTest::TearDown();
    }

    // The net archive the build made for Data, as the server offers it.
    std::string netArchive() const
    {
        std::string host = server->hostname();
        host.erase(host.find(':'), 1);
        return "C:\\Build\\" + host + "\\dl\\Data.1";
    }
    void buildAndPublish()
    {
        main->Compress(coRelocateArchives | coBuild | coIncludeExcluded);
        std::filesystem::path host;
        ASSERT_TRUE(machine->resolve(netArchive(), host)) << netArchive();
        std::filesystem::copy_file(host, served / "dl" / "Data.1");
    }
    std::vector<std::string> tempFiles() const
    {
        std::vector<std::string> names;
        for (const win::FindData& f : machine->findFiles(machine->tempPath() + "*"))
            names.push_back(f.name);
        return names;
    }
    void expectInstalled()
    {
        EXPECT_EQ(read("C:\\Tavix\\tavixcat.exe"), "program");
        EXPECT_TRUE(read("C:\\Tavix\\Data\\parts.db") == noise(200000, 1));
        EXPECT_EQ(read("C:\\Tavix\\Data\\parts.px"), "index bytes");
    }

    std::filesystem::path served;
    std::optional<TestServer> server;
    TCustomNetInstallLocation* location = nullptr;
    TInstallGroup* main = nullptr;
    TInstallDirectory* data = nullptr;
    TTestFile *prog = nullptr, *table = nullptr, *index = nullptr;
    std::vector<std::string> received;
};

// The net files travel in the directory's own archive, which is fetched
// from the server once, into a temporary ".1" file, when its first file
// is installed; the progress goes to the directory's children and up to
// the group.
TEST_F(NetTreeTest, InstallsFromDownloadedArchive)
{
    buildAndPublish();
    TQrleCompress reader;
    reader.SetCompressedFile("C:\\Build\\files.1");
    EXPECT_EQ(reader.MemberCount(), 1);

    std::vector<std::string> upChain;
    main->OnDataReceived = [&](TObject*, const std::string& file, std::int32_t, std::int32_t total, std::int32_t,
                               const void*) { upChain.push_back(file + " " + std::to_string(total)); };
    main->ProcessContainer();
    expectInstalled();

    ASSERT_FALSE(data->LocalFile.empty());
    EXPECT_EQ(data->LocalFile.substr(data->LocalFile.size() - 2), ".1");
    EXPECT_EQ(data->LocalFile.rfind(machine->tempPath(), 0), 0u) << data->LocalFile;
    EXPECT_EQ(data->LocalArchivePath(), data->LocalFile);
    const auto size = std::filesystem::file_size(served / "dl" / "Data.1");
    ASSERT_GT(received.size(), 2u);
    EXPECT_EQ(received.back(), "Data.1 " + std::to_string(size));
    EXPECT_EQ(upChain, received);
    EXPECT_NE(std::count(table->Received.begin(), table->Received.end(), icDownloadProgress), 0);
    EXPECT_EQ(main->BusyState, bsIdle);
    EXPECT_EQ(messages.busyDepth(), 0);
}

// A restarted setup finds the copy noted in its run record and does not
// download again.
TEST_F(NetTreeTest, RunRecordKeepsTheDownloadForARestart)
{
    buildAndPublish();
    InstallRunState().RunRecordKey = kRecord;
    RegistryWriteString(4, kRecord, "Path", "C:\\setup.exe");
    main->ProcessContainer();
    const std::string fetched = data->LocalFile;
    EXPECT_EQ(RegistryReadString(4, kRecord + "\\Data", "LocalFile", ""), fetched);

    location->Disconnect();
    server.reset();
    data->LocalFile.clear();
    ASSERT_TRUE(machine->deleteFile("C:\\Tavix\\Data\\parts.db"));
    received.clear();
    main->ProcessContainer();
    expectInstalled();
    EXPECT_EQ(data->LocalFile, fetched);
    EXPECT_TRUE(received.empty());

    // Loading the script finds it as well.
    data->LocalFile.clear();
    data->SetLoading(true);
    data->Loaded();
    EXPECT_EQ(data->LocalFile, fetched);
}

// A copy that does not unpack is neither kept nor noted: the next run
// downloads it afresh instead of failing the same way for ever.
TEST_F(NetTreeTest, DamagedDownloadIsFetchedAfreshNextRun)
{
    buildAndPublish();
    const std::filesystem::path published = served / "dl" / "Data.1";
    const std::string good = tavix::testing::readFile(published);
    std::string damaged = good;
    damaged[damaged.size() / 2] ^= 0x55;
    tavix::testing::writeFile(published, damaged);
    InstallRunState().RunRecordKey = kRecord;
    RegistryWriteString(4, kRecord, "Path", "C:\\setup.exe");
    const auto before = tempFiles();
    EXPECT_THROW(main->ProcessContainer(), EQrleCompress);
    EXPECT_EQ(RegistryReadString(4, kRecord + "\\Data", "LocalFile", ""), "");
    EXPECT_EQ(tempFiles(), before);

    tavix::testing::writeFile(published, good);
    received.clear();
    main->ProcessContainer();
    expectInstalled();
    EXPECT_FALSE(received.empty());
}

// Without a run record nothing is looked up or noted: a "LocalFile" value
// at the root of the local machine belongs to nobody.
TEST_F(NetTreeTest, NoRunRecordNoLocalCopyLookup)
{
    ASSERT_TRUE(machine->writeFile("C:\\stale.1", "stale"));
    RegistryWriteString(4, "\\Data", "LocalFile", "C:\\stale.1");
    EXPECT_EQ(data->FindLocalFile(), "");
    EXPECT_FALSE(data->HasFetchedArchive());
    data->RecordLocalFile("C:\\other.1");
    EXPECT_EQ(RegistryReadString(4, "\\Data", "LocalFile", ""), "C:\\stale.1");
    try {
        data->LocalArchivePath();
        FAIL() << "no error";
    } catch (const IEFileContainer& e) {
        EXPECT_STREQ(e.what(),
            "Data has not yet downloaded the archive file and therefore cannot retrieve the path of the archive "
            "file");
    }
}

// A download that fails leaves no partial file and no local copy behind,
// and the failure still closes the progress forms (-996) on the way up.
TEST_F(NetTreeTest, FailedDownloadLeavesNothing)
{
    main->Compress(coRelocateArchives | coBuild | coIncludeExcluded); // not published
    const auto before = tempFiles();
    EXPECT_THROW(main->ProcessContainer(), ENIL_FileNotFound);
    EXPECT_EQ(data->LocalFile, "");
    EXPECT_EQ(tempFiles(), before);
    EXPECT_FALSE(machine->fileExists("C:\\Tavix\\Data\\parts.db"));
    EXPECT_NE(std::count(index->Received.begin(), index->Received.end(), icWorkFinished), 0);
    EXPECT_NE(std::count(prog->Received.begin(), prog->Received.end(), icWorkFinished), 0);
    EXPECT_EQ(data->BusyState, bsIdle);
    EXPECT_EQ(main->BusyState, bsIdle);
    EXPECT_EQ(messages.busyDepth(), 0);
}

// Cancelling during the download is a user abort: the partial archive is
// removed and nothing of it is installed.
TEST_F(NetTreeTest, AbortedDownloadLeavesNothing)
{
    buildAndPublish();
    const auto before = tempFiles();
    data->OnDataReceived = [](TObject*, const std::string&, std::int32_t, std::int32_t, std::int32_t, const void*) {
        SetNetUserAbort(true);
    };
    EXPECT_THROW(main->ProcessContainer(), EAIUserAbort);
    EXPECT_EQ(data->LocalFile, "");
    EXPECT_EQ(tempFiles(), before);
    EXPECT_FALSE(machine->fileExists("C:\\Tavix\\Data\\parts.db"));
    EXPECT_EQ(main->BusyState, bsIdle);
}

// The temporary ".1" file is made exclusively: a file of that name that is
// already there is left alone and another name is taken.
TEST_F(NetTreeTest, TemporaryArchiveNameIsExclusive)
{
    buildAndPublish();
    const std::string probe = machine->tempFileName(machine->tempPath(), "bat");
    ASSERT_FALSE(probe.empty());
    machine->deleteFile(probe);
    // The next name the machine hands out, with the extension ".1".
    const unsigned next = std::stoul(probe.substr(probe.rfind('\\') + 4), nullptr, 16) + 1;
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", next & 0xFFFF);
    const std::string taken = machine->tempPath() + "bat" + hex + ".1";
    ASSERT_TRUE(machine->writeFile(taken, "someone else's"));

    data->DownloadArchive();
    EXPECT_NE(data->LocalFile, taken);
    EXPECT_EQ(read(taken), "someone else's");
    EXPECT_EQ(std::filesystem::file_size(served / "dl" / "Data.1"), *machine->fileSize(data->LocalFile));
}

// Where a net archive comes from: the object's own location, an install
// file's container's, or the default; its path on the build machine is the
// host and the directory made into file names.
TEST_F(NetTreeTest, NetLocationsAndPaths)
{
    TCustomNetInstallLocation ftp(nullptr);
    ftp.LoginInformation().Hostname = "ftp.example";
    ftp.LoginInformation().Protocol = ipFTP;
    EXPECT_EQ(index->FindNetLocation(), location);
    data->SetNetLocation(&ftp);
    EXPECT_EQ(index->FindNetLocation(), &ftp);
    EXPECT_EQ(index->GetNetPath(), "ftp.example\\FTP Root directory");
    EXPECT_EQ(main->FindNetLocation(), location);

    TCustomNetInstallLocation web(nullptr);
    web.LoginInformation().Hostname = "web/site";
    web.LoginInformation().Directory = "a:b";
    index->SetNetLocation(&web);
    EXPECT_EQ(index->GetNetPath(), "web-site\\ab");
    web.LoginInformation().Directory = "  ";
    EXPECT_EQ(index->GetNetPath(), "web-site\\HTTP Root directory");

    data->SetNetLocation(nullptr);
    index->SetNetLocation(nullptr);
    SetDefaultNetLocation(nullptr);
    try {
        index->GetNetPath();
        FAIL() << "no error";
    } catch (const IEFileRel_NoNetLocation& e) {
        EXPECT_STREQ(e.what(), "Could not find a net install location for Index");
    }
}

// A location without a host refuses to download, naming what to fill in.
TEST_F(NetTreeTest, IncompleteLoginRefused)
{
    location->LoginInformation().Hostname = " ";
    try {
        data->DownloadArchive();
        FAIL() << "no error";
    } catch (const IEFileRelated& e) {
        EXPECT_STREQ(e.what(),
            "Data could not install itself because the LoginInformation property of the TInstall component has not "
            "been properly filled in");
    }
    TCustomNetInstallLocation own(nullptr);
    data->SetNetLocation(&own);
    try {
        data->DownloadArchive();
        FAIL() << "no error";
    } catch (const IEFileRelated& e) {
        EXPECT_STREQ(e.what(),
            "Data could not install itself because the TNetLocation component's properties, in the NetLocation "
            "property, have not been filled in");
    }
    EXPECT_EQ(data->LocalFile, "");
}

} // namespace
