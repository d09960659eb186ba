// The net file list: written by net builds beside the net archives and
// read back over HTTP from a loopback server by the install.

#include "buildmode_fixture.h"

#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/routines.h"
#include "tests/platform/net/test_servers.h"

#include <cstring>
#include <filesystem>
#include <optional>

using namespace buildtest;
using tavix::testing::TestServer;

namespace {

std::string int32Bytes(std::int32_t v)
{
    std::string s(4, '\0');
    std::memcpy(s.data(), &v, 4);
    return s;
}

std::string record(std::int32_t size, double date, const std::string& name, const std::string& version)
{
    std::string r = int32Bytes(size);
    r.append(reinterpret_cast<const char*>(&date), 8);
    std::string field(40, '\0');
    field.replace(0, name.size(), name);
    r += field;
    std::string v(20, '\0');
    v.replace(0, version.size(), version);
    return r + v;
}

class NetFileListTest : public BuildTest {
protected:
    void SetUp() override
    {
        BuildTest::SetUp();
        served = dir.path() / "served";
        std::filesystem::create_directories(served / "dl");
        server.emplace(TestServer::Kind::Http, served);
    }
    void TearDown() override
    {
        SetDefaultNetLocation(nullptr);
        BuildTest::TearDown();
    }

    void netScript(TDistributeType type)
    {
        buildScript();
        location = new TCustomNetInstallLocation(form.get());
        location->SetName("Server");
        location->LoginInformation().Hostname = server->hostname();
        location->LoginInformation().Directory = "dl";
        SetDefaultNetLocation(location);
        engine->SetNetLocation(location);
        // As the stored script sets it while the form loads.
        engine->SetLoading(true);
        engine->SetDistributeType(type);
        engine->SetLoading(false);
    }

    std::string netDirectory() const { return kOut + "\\" + MakeValidFileName(server->hostname()) + "\\dl"; }

    void serve(const std::string& bytes) { tavix::testing::writeFile(served / "dl" / "filelist.lst", bytes); }

    size_t tempFiles()
    {
        std::filesystem::path host;
        EXPECT_TRUE(machine->resolve("C:\\TEMP", host));
        size_t n = 0;
        if (std::filesystem::exists(host))
            for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(host))
                ++n;
        return n;
    }

    std::filesystem::path served;
    std::optional<TestServer> server;
    TCustomNetInstallLocation* location = nullptr;
};

// Catches a list that misses the files of files.1 or of the net archives,
// records in the wrong layout, or a list that lands outside the net
// subdirectory where the install looks for it.
TEST_F(NetFileListTest, NetBuildListsEveryCompressedFile)
{
    netScript(dtTraditionalNet);
    files[1]->Net = true;
    engine->BuildSetup(kProgram, kOut, false);
    EXPECT_EQ(members(kOut + "\\files.1").size(), 2u);
    EXPECT_EQ(members(netDirectory() + "\\Dir1.1").size(), 1u);

    const std::string list = read(netDirectory() + "\\filelist.lst");
    ASSERT_EQ(list.size(), 4u + 3 * 72);
    EXPECT_EQ(list.substr(0, 4), int32Bytes(3));
    for (size_t i = 0; i < 3; ++i) {
        const std::string r = list.substr(4 + i * 72, 72);
        EXPECT_EQ(r.substr(0, 4), int32Bytes(std::int32_t(sources[i].second.size())));
        double date = 0;
        std::memcpy(&date, r.data() + 4, 8);
        EXPECT_DOUBLE_EQ(date, files[i]->FileDate);
        EXPECT_GT(date, 0);
        EXPECT_EQ(std::string(r.c_str() + 12), "F" + std::to_string(i + 1));
        EXPECT_EQ(r.substr(52), std::string(20, '\0'));
    }
}

// Catches a web build that keeps files in files.1, and names that do not
// fit a record being cut (the install would never find them again).
TEST_F(NetFileListTest, WebBuildAndNamesTooLongForARecord)
{
    netScript(dtWeb);
    engine->BuildSetup(kProgram, kOut, true);
    EXPECT_FALSE(machine->fileExists(kOut + "\\files.1"));
    EXPECT_EQ(members(netDirectory() + "\\Dir1.1").size(), 3u);
    EXPECT_EQ(read(netDirectory() + "\\filelist.lst").substr(0, 4), int32Bytes(3));

    files[2]->SetName(std::string(40, 'N'));
    try {
        engine->BuildSetup(kProgram, kOut, true);
        ADD_FAILURE();
    } catch (const IEInstall& e) {
        EXPECT_NE(std::string(e.what()).find(std::string(40, 'N')), std::string::npos);
    }
    EXPECT_EQ(read(netDirectory() + "\\filelist.lst").substr(0, 4), int32Bytes(3)); // the last good list stays
}

// Catches the downloaded list not reaching the files (or names matched
// with case), a record without a file taken for an error, and the
// temporary copy left behind.
TEST_F(NetFileListTest, InstallReadsTheListFromTheServer)
{
    netScript(dtWeb);
    engine->BuildSetup(kProgram, kOut, false);
    std::string bytes = read(netDirectory() + "\\filelist.lst");
    bytes.replace(0, 4, int32Bytes(5));
    bytes += record(5, 1.0, "Nobody", "9.9") + record(77, 44000.5, "f3", "1.2.3.4");
    serve(bytes);
    const double date1 = files[0]->FileDate;
    for (TInstallFile* f : files) {
        f->FileSize = 0;
        f->FileDate = 0;
    }
    const size_t before = tempFiles();
    engine->ReadFileList();
    EXPECT_EQ(files[0]->FileSize, 9000);
    EXPECT_DOUBLE_EQ(files[0]->FileDate, date1);
    EXPECT_EQ(files[1]->FileSize, 7000);
    EXPECT_EQ(files[2]->FileSize, 77); // its later record, matched without case
    EXPECT_DOUBLE_EQ(files[2]->FileDate, 44000.5);
    EXPECT_EQ(files[2]->Version(), "1.2.3.4");
    EXPECT_EQ(tempFiles(), before);
}

// Catches a damaged list read past its end or taken as complete, and the
// temporary copy kept after the failure.
TEST_F(NetFileListTest, DamagedListsAreRefused)
{
    netScript(dtWeb);
    const size_t before = tempFiles();
    for (const std::string& bytes : { std::string("\x01\x00", 2), int32Bytes(2) + record(1, 1, "F1", ""),
             int32Bytes(-1) + record(1, 1, "F1", "") }) {
        serve(bytes);
        try {
            engine->ReadFileList();
            ADD_FAILURE();
        } catch (const IEInstall& e) {
            EXPECT_EQ(std::string(e.what()).find("Cannot read the remote list of files: C:\\TEMP\\"), 0u) << e.what();
        }
        EXPECT_EQ(tempFiles(), before);
    }
    std::filesystem::remove(served / "dl" / "filelist.lst");
    EXPECT_ANY_THROW(engine->ReadFileList());
    EXPECT_EQ(tempFiles(), before);
}

} // namespace
