#include "tests/setup/installlib/install_tree_fixture.h"

#include <gtest/gtest.h>

using namespace treetest;

namespace {

class InformationChainTest : public InstallTreeTest {
protected:
    void SetUp() override
    {
        InstallTreeTest::SetUp();
        engine = make<TEngine>("Engine");
        group = make<TCustomInstallGroup>("Group", engine);
        file = make<TCustomInstallFile>("File", group);
        file->FileName = "tavixcat.exe";
        file->Size = 400;
        engineWatcher = make<TDialogStandIn>("EngineWatcher", engine);
        groupWatcher = make<TDialogStandIn>("GroupWatcher", group);
        engine->OnStatus = [this](TInstallObject*, int filePercent, int totalPercent) {
            engineStatus.push_back({ filePercent, totalPercent });
        };
        group->OnStatus = [this](TInstallObject*, int filePercent, int totalPercent) {
            groupStatus.push_back({ filePercent, totalPercent });
        };
    }

    // 1008 from the file with this many bytes of it done.
    void sendProgress(int fileBytes, int filePercent, bool finished = false)
    {
        TFileStatusParameter status;
        status.FileBytesDone = fileBytes;
        status.FilePercent = filePercent;
        status.FileName = file->FileName;
        status.FileStats.FileSize = static_cast<std::int32_t>(file->Size);
        status.FileStats.Finished = finished ? 1 : 0;
        TList list { file, &status };
        group->DoInformationEventControl(file, icInstallProgress, &list);
    }

    using Status = std::vector<std::pair<int, int>>;
    TEngine* engine = nullptr;
    TCustomInstallGroup* group = nullptr;
    TCustomInstallFile* file = nullptr;
    TDialogStandIn* engineWatcher = nullptr;
    TDialogStandIn* groupWatcher = nullptr;
    Status engineStatus, groupStatus;
};

// --- Each container reports progress against its own total; a wrong sum
// shows the user a copy bar that jumps or never fills.
TEST_F(InformationChainTest, EachContainerComputesItsOwnPercentage)
{
    engine->BeginWork(bsInstalling, 1600);
    group->BeginWork(bsInstalling, 800);
    group->BytesDone = 400; // one file of the group already done
    engine->BytesDone = 400;
    sendProgress(200, 50);
    EXPECT_EQ(groupStatus, (Status { { 50, 75 } }));
    EXPECT_EQ(engineStatus, (Status { { 50, 38 } })); // 600 of 1600 = 37.5, halves to even
    // -998 reaches the watchers of each container with that container's count.
    EXPECT_EQ(groupWatcher->Received, (std::vector<int> { icFileProgress }));
    EXPECT_EQ(engineWatcher->Received, (std::vector<int> { icFileProgress }));

    sendProgress(400, 100, true);
    EXPECT_EQ(group->BytesDone, 800);
    EXPECT_EQ(engine->BytesDone, 800);
    EXPECT_EQ(groupStatus.back(), std::make_pair(100, 100));
    EXPECT_EQ(engineStatus.back(), std::make_pair(100, 50));
}

TEST_F(InformationChainTest, PercentagesDivideSafelyAndStayWithinBounds)
{
    engine->BeginWork(bsInstalling, 0);
    group->BeginWork(bsInstalling, 100);
    sendProgress(400, 100);
    EXPECT_EQ(groupStatus.back().second, 100); // more done than the total
    EXPECT_EQ(engineStatus.back().second, 0); // no files of size
    EXPECT_EQ(SafePercent(-5, 10), 0);
    EXPECT_EQ(SafePercent(1, 3), 33);
    EXPECT_EQ(SafePercent(5, 0), 0);
    EXPECT_EQ(TDownloadStatusParameter(10, "a.1", 0, 10).Percent, 0);
    EXPECT_EQ(TDownloadStatusParameter(10, "a.1", 200, 150).Percent, 75);
}

TEST_F(InformationChainTest, SkippedOrAbortedFilesCountWhole)
{
    engine->BeginWork(bsInstalling, 800);
    group->BeginWork(bsInstalling, 400);
    group->DoInformationEventControl(file, icFileKept, file);
    EXPECT_EQ(groupStatus, (Status { { 100, 100 } }));
    EXPECT_EQ(engineStatus, (Status { { 100, 50 } }));
    group->DoInformationEventControl(file, icFileInstallAborted, file);
    EXPECT_EQ(engine->BytesDone, 800);
    EXPECT_EQ(engineStatus.back().second, 100);
}

// --- An idle container must not forward: progress of a group that is not
// working would reach the engine's copy forms.
TEST_F(InformationChainTest, AnIdleContainerDropsTheCode)
{
    engine->BeginWork(bsInstalling, 400);
    sendProgress(100, 25);
    EXPECT_TRUE(groupStatus.empty());
    EXPECT_TRUE(engineStatus.empty());
    EXPECT_TRUE(engineWatcher->Received.empty());
}

TEST_F(InformationChainTest, NewDiskAsksTheHandlerAndTellsTheDialogs)
{
    engine->BeginWork(bsInstalling, 400);
    group->BeginWork(bsInstalling, 400);
    engine->OnNewDisk = [](TInstallObject*, int disk, std::string& path) {
        EXPECT_EQ(disk, 2);
        path = "A:\\DISK2";
    };
    TDiskParameter disk;
    disk.DiskNumber = 2;
    disk.Path = "A:";
    TList list { file, &disk };
    group->DoInformationEventControl(file, icNewDisk, &list);
    EXPECT_EQ(disk.Path, "A:\\DISK2");
    EXPECT_TRUE(file->NewDiskAnswered);
    EXPECT_EQ(groupWatcher->Received, (std::vector<int> { icNextDiskNeeded }));
    EXPECT_EQ(engineWatcher->Received, (std::vector<int> { icNextDiskNeeded }));
}

TEST_F(InformationChainTest, ReplaceAndDownloadStepsBroadcastTheirCodes)
{
    engine->BeginWork(bsInstalling, 400);
    group->BeginWork(bsInstalling, 400);
    std::vector<std::string> replacing;
    group->OnReplacing = [&](TInstallObject* f) { replacing.push_back(f->Name()); };
    group->DoInformationEventControl(file, icFileInUse, file);
    EXPECT_EQ(replacing, (std::vector<std::string> { "File" }));
    EXPECT_EQ(file->Received, (std::vector<int> { icReplacing }));

    TDownloadStatusParameter download(512, "Group.1", 2048, 1024);
    group->DoInformationEventControl(group, icDataReceived, &download);
    EXPECT_EQ(group->DataReceived, (std::vector<std::string> { "Group.1:1024" }));
    EXPECT_EQ(engine->DataReceived, (std::vector<std::string> { "Group.1:1024" }));
    EXPECT_EQ(engineWatcher->Received.back(), icDownloadProgress);
}

// --- A parameter object that does not fit its code must be refused with a
// clear error, not read as the wrong type.
TEST_F(InformationChainTest, ParametersThatDoNotFitAreRefused)
{
    group->BeginWork(bsInstalling, 400);
    auto message = [&](int code, TObject* po) -> std::string {
        try {
            group->DoInformationEventControl(file, code, po);
        } catch (const IEFileContainer& e) {
            return e.what();
        }
        return "no error";
    };
    TFileStatusParameter status;
    TDiskParameter disk;
    TList shortList { file };
    TList badFirst { group, &status };
    TList badSecond { file, &disk };
    TList diskBadFirst { group, &disk };
    TList diskBadSecond { file, &status };
    EXPECT_EQ(message(icInstallProgress, nullptr), "Group got a nil PO parameter");
    EXPECT_EQ(message(icInstallProgress, &status), "DoInformationEventControl--PO is not a TList object");
    EXPECT_EQ(message(icCopyProgress, &shortList), "DoInformationEventControl--Not engouh parameters for status event");
    EXPECT_EQ(message(icCompressProgress, &badFirst), "DoInformationEventControl says bad first parameter");
    EXPECT_EQ(message(icInstallProgress, &badSecond), "DoInformationEventControl says bad second parameter");
    EXPECT_EQ(message(icNewDisk, &diskBadFirst), "DoInformationEventControl says bad 1 parameter");
    EXPECT_EQ(message(icNewDisk, &diskBadSecond), "DoInformationEventControl says bad 2 parameter");
    EXPECT_EQ(message(icFileInUse, group), "DoInformationEventControl parameter is not TInstallFile");
    EXPECT_EQ(message(icFileKept, &status), "DoInformationEventControl says bad first parameter");
    EXPECT_EQ(
        message(icDataReceived, &status), "The PO object passed to Group is not a TDownloadStatusParameter object");
    EXPECT_EQ(message(icFileInstalled, nullptr), "no error");
}

} // namespace
