// Build mode: BUILD.INF, setup.1 and files.1, the loader copy, the
// self-extracting setup and its trailer, and installs read back from what
// the build wrote.

#include "buildmode_fixture.h"

#include "platform/win/file.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <map>

using namespace buildtest;

namespace {

std::int32_t int32At(const std::string& bytes, size_t at)
{
    std::int32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

// --- the archives of a build ---

// Catches the setup program missing from setup.1 or not first, presetup
// files missing, product files not packed, or the engine's archive
// settings left pointing at the build directory.
TEST_F(BuildTest, BuildWritesLoaderSetupArchiveAndProductArchive)
{
    buildScript();
    engine->AddPresetupFile("C:\\SRC\\presetup.dll", true);
    TCustomPathSpecifier* type = engine->ArchiveFileType();
    const std::string file = engine->ArchiveFile();
    engine->BuildSetup(kProgram, kOut, false);

    EXPECT_TRUE(read(kOut + "\\setup.exe") == loader);
    EXPECT_EQ(members(kOut + "\\setup.1"), (std::vector<std::string> { kProgram, "C:\\SRC\\presetup.dll" }));
    EXPECT_EQ(members(kOut + "\\files.1").size(), 3u);
    expectProductIn(kOut + "\\files.1", 0, "C:\\CHECK");
    EXPECT_FALSE(machine->fileExists(kOut + "\\filelist.lst"));
    EXPECT_EQ(engine->ArchiveFileType(), type);
    EXPECT_EQ(engine->ArchiveFile(), file);
    EXPECT_EQ(engine->AddToArchive, lzcOverwrite);
    for (TInstallFile* f : files)
        EXPECT_TRUE(f->Compressed) << f->Name();
}

// Catches members of an earlier build piling up in files.1, and a files.1
// made (or kept) when the script has no product file.
TEST_F(BuildTest, RebuildStartsArchivesAnewAndEmptyScriptMakesNoFilesArchive)
{
    buildScript();
    engine->BuildSetup(kProgram, kOut, true);
    engine->BuildSetup(kProgram, kOut, true);
    EXPECT_EQ(members(kOut + "\\setup.1").size(), 1u);
    const std::string joined = read(kOut + "\\setup.exe");
    const TSelfExtractInfo info = TSelfExtractInfo::FromBytes(joined.substr(joined.size() - 56));
    EXPECT_EQ(members(kOut + "\\setup.exe", info.Files1First).size(), 3u);

    newProgram(kProgram, {});
    ASSERT_TRUE(machine->writeFile(kProgram, program));
    buildScript(false);
    engine->BuildSetup(kProgram, kOut, true);
    EXPECT_FALSE(machine->fileExists(kOut + "\\files.1"));
    const std::string alone = read(kOut + "\\setup.exe");
    const std::string trailer = alone.substr(alone.size() - 56);
    EXPECT_EQ(int32At(trailer, 16), 1000);
    EXPECT_EQ(int32At(trailer, 24), 0);
    EXPECT_EQ(int32At(trailer, 28), 0);
    EXPECT_EQ(alone.size(), 1000 + read(kOut + "\\setup.1").size() + 56);
}

// Catches a build without the loading program that still writes setup.1,
// or that does not put the program into the build directory.
TEST_F(BuildTest, WithoutLoadingProgramTheProgramItselfIsCopied)
{
    buildScript();
    engine->SetUseLoadingProgram(false);
    engine->BuildSetup(kProgram, kOut + "\\plain\\dist", false);
    EXPECT_TRUE(read(kOut + "\\plain\\dist\\setup.exe") == program);
    EXPECT_FALSE(machine->fileExists(kOut + "\\plain\\dist\\setup.1"));
    expectProductIn(kOut + "\\plain\\dist\\files.1", 0, "C:\\CHECK");
    try {
        engine->BuildSetup(kProgram, kOut, true);
        ADD_FAILURE() << "a stand-alone setup without the loading program";
    } catch (const IEInstall& e) {
        EXPECT_EQ(std::string(e.what()).find("Cannot build a stand alone executable"), 0u);
    }
}

// --- BUILD.INF and failures ---

// Catches -b ignoring BUILD.INF's first line, a missing or empty BUILD.INF
// not reported, and the program going on after the build.
TEST_F(BuildTest, BuildInfDrivesTheBuildAndTheProgramEnds)
{
    Application().Arguments = { "-b" };
    ASSERT_TRUE(machine->writeFile("C:\\DEV\\BUILD.INF", "\r\nC:\\OUT"));
    buildScript();
    engine->Loaded();
    EXPECT_TRUE(Application().Terminated());
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].text, "Must be 1 line in BUILD.INF. This line should specify the build directory");
    EXPECT_FALSE(machine->fileExists(kOut + "\\setup.exe"));

    newProgram(kProgram, { "-b" });
    ASSERT_TRUE(machine->writeFile(kProgram, program));
    ASSERT_TRUE(machine->writeFile("C:\\DEV\\BUILD.INF", "C:\\OUT\r\nC:\\IGNORED\r\n"));
    messages = {};
    buildScript();
    engine->Loaded();
    EXPECT_TRUE(Application().Terminated());
    EXPECT_TRUE(messages.asked().empty());
    EXPECT_FALSE(static_cast<bool>(form->OnActivate));
    const std::string joined = read(kOut + "\\setup.exe");
    EXPECT_TRUE(joined.substr(0, 1000) == loader);
    EXPECT_EQ(joined.substr(joined.size() - 56, 16), std::string("\x0eSELFEXTRACTING\0", 16));
    EXPECT_FALSE(machine->directoryExists("C:\\IGNORED"));
}

// Catches a missing library directory or loader reported with the wrong
// text (or not at all), and a failed compress leaving the engine's
// archive settings changed.
TEST_F(BuildTest, MissingLoaderPiecesAndFailedCompressReportClearly)
{
    buildScript();
    RegistryWriteString(2, kBuildToolsLibraryKey, kBuildToolsSearchPathValue, "C:\\Nowhere");
    EXPECT_EQ(FindQuorleDir(false), "");
    EXPECT_THROW(FindQuorleDir(true), IENoQuorlePath);
    try {
        engine->BuildSetup(kProgram, kOut, true);
        ADD_FAILURE();
    } catch (const IEInstall& e) {
        EXPECT_STREQ(e.what(),
            "The HKEY_LOCAL_MACHINE | \\Software\\Brenlow\\Q32V40 key in the registry is either "
            "missing or points to an invalid Quorle directory");
    }
    RegistryWriteString(2, kBuildToolsLibraryKey, kBuildToolsSearchPathValue, "$(BUILDROOT)\\Quorle\\");
    EXPECT_EQ(FindQuorleDir(true), kQuorleDir);
    ASSERT_TRUE(machine->deleteFile(kLoader));
    try {
        engine->BuildSetup(kProgram, kOut, true);
        ADD_FAILURE();
    } catch (const IEInstall& e) {
        EXPECT_EQ(std::string(e.what()), "The loader program " + kLoader + " was not found");
    }
    try {
        engine->CreateSetupArchive(kOut, "C:\\DEV\\gone.exe");
        ADD_FAILURE();
    } catch (const IEInstall& e) {
        EXPECT_STREQ(e.what(), "TInstall: Cannot find the executable file C:\\DEV\\gone.exe");
    }

    ASSERT_TRUE(machine->writeFile(kLoader, loader));
    ASSERT_TRUE(machine->deleteFile("C:\\SRC\\parts.db"));
    TCustomPathSpecifier* type = engine->ArchiveFileType();
    EXPECT_ANY_THROW(engine->BuildSetup(kProgram, kOut, true));
    EXPECT_EQ(engine->ArchiveFileType(), type);
    EXPECT_EQ(engine->ArchiveFile(), "");
}

// Catches a full build disk reported as something else, and a join that
// fails half-way leaving a setup.exe without its trailer, a bare loader or
// a temporary file behind.
TEST_F(BuildTest, FullBuildDiskLeavesTheLoaderAsItWas)
{
    machine->mapDrive('E', dir.path() / "small", 1500);
    buildScript();
    try {
        engine->BuildSetup(kProgram, "E:\\OUT", true);
        ADD_FAILURE();
    } catch (const IEInstall& e) {
        EXPECT_EQ(std::string(e.what()).find("The disk that you have specified has been determined to be either too "
                                             "full or is corrupt while trying to copy the SETUP.1 archive file."),
            0u);
    }

    // Room for the pieces, not for the joined copy beside them.
    machine->setDriveCapacity('E', 1000 + 2100 + 19500 + 4000);
    try {
        engine->BuildSetup(kProgram, "E:\\OUT", true);
        ADD_FAILURE();
    } catch (const IEInstall& e) {
        EXPECT_EQ(std::string(e.what()).find("Cannot create the self-extracting exe because "), 0u) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "small" / "OUT")); // as before the build
}

// Catches a move-in that stops half-way: files.1 new beside an old
// setup.exe and setup.1 installs the wrong files.
TEST_F(BuildTest, AFailedMoveInLeavesTheBuildDirectoryAsItWas)
{
    buildScript();
    engine->BuildSetup(kProgram, kOut, true);
    std::map<std::string, std::string> before;
    for (const std::string name : { "setup.exe", "setup.1", "files.1" })
        before[name] = read(kOut + "\\" + name);
    sources[0].second = noise(9000, 4);
    ASSERT_TRUE(machine->writeFile(sources[0].first, sources[0].second));
    machine->setInUse(kOut + "\\setup.exe", true);
    try {
        engine->BuildSetup(kProgram, kOut, true);
        ADD_FAILURE();
    } catch (const IEInstall& e) {
        EXPECT_EQ(std::string(e.what()).find("Cannot move the new setup.exe into C:\\OUT: "), 0u) << e.what();
        EXPECT_NE(std::string(e.what()).find("holds the files it held before"), std::string::npos) << e.what();
    }
    for (const auto& [name, bytes] : before)
        EXPECT_TRUE(read(kOut + "\\" + name) == bytes) << name;
    EXPECT_EQ(machine->findFiles(kOut + "\\*").size(), 3u);
}

// Catches the work folders of killed builds left in the build directory
// for good, and a later build that differs from a clean one.
TEST_F(BuildTest, ABuildRemovesTheWorkFoldersOfKilledBuilds)
{
    buildScript();
    engine->BuildSetup(kProgram, kOut, true);
    std::map<std::string, std::string> clean;
    for (const std::string name : { "setup.exe", "setup.1", "files.1" })
        clean[name] = read(kOut + "\\" + name);
    // Killed at its first, second and third pass of the packing loop.
    for (int at = 1; at <= 3; ++at) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int passes = 0;
            messages.onProcessMessages([&] {
                if (++passes == at)
                    ::_exit(9);
            });
            engine->BuildSetup(kProgram, kOut, true);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_EQ(WEXITSTATUS(status), 9);
        ASSERT_FALSE(machine->findFiles(kOut + "\\~QBUILD*.TMP").empty());
    }
    engine->BuildSetup(kProgram, kOut, true);
    EXPECT_EQ(machine->findFiles(kOut + "\\*").size(), 3u);
    for (const auto& [name, bytes] : clean)
        EXPECT_TRUE(read(kOut + "\\" + name) == bytes) << name;
}

// --- the self-extracting file ---

// Catches trailer offsets off by one, a trailer not at the very end, and
// a signature check that refuses trailers of other builders.
TEST_F(BuildTest, TrailerOffsetsAndReading)
{
    buildScript();
    ASSERT_TRUE(machine->forceDirectories("C:\\J"));
    ASSERT_TRUE(machine->writeFile("C:\\J\\setup.exe", std::string(1000, 'L')));
    ASSERT_TRUE(machine->writeFile("C:\\J\\setup.1", std::string(500, 'S')));
    ASSERT_TRUE(machine->writeFile("C:\\J\\files.1", std::string(300, 'F')));
    engine->WriteSelfExtractor("C:\\J\\setup.exe", "C:\\J\\setup.1", "C:\\J\\files.1");
    const std::string joined = read("C:\\J\\setup.exe");
    ASSERT_EQ(joined.size(), 1856u);
    const std::string trailer = engine->ReadSelfExtractInfo("C:\\J\\setup.exe");
    EXPECT_EQ(trailer, joined.substr(1800));
    EXPECT_EQ(int32At(trailer, 16), 1000);
    EXPECT_EQ(int32At(trailer, 20), 1499);
    EXPECT_EQ(int32At(trailer, 24), 1500);
    EXPECT_EQ(int32At(trailer, 28), 1799);
    EXPECT_EQ(trailer.substr(32), std::string(24, '\0'));
    EXPECT_EQ(joined.substr(1500, 300), std::string(300, 'F'));

    std::string other = joined;
    other.replace(1801, 14, "OTHERSIGNATURE");
    ASSERT_TRUE(machine->writeFile("C:\\J\\other.exe", other));
    EXPECT_EQ(TSelfExtractInfo::FromBytes(engine->ReadSelfExtractInfo("C:\\J\\other.exe")).Files1First, 1500);

    ASSERT_TRUE(machine->writeFile("C:\\J\\short.exe", std::string(55, 'x')));
    for (const std::string path : { "C:\\J\\short.exe", "C:\\J\\none.exe" }) {
        try {
            engine->ReadSelfExtractInfo(path);
            ADD_FAILURE() << path;
        } catch (const IEInstall& e) {
            EXPECT_EQ(std::string(e.what()),
                "Could not read the extraction info from the archive file " + path
                    + " when trying to find the correct offset into the self extracting file");
        }
    }
}

// Catches an install from the self-extracting file that does not find
// files.1 inside it: the whole road from -b to the installed files.
TEST_F(BuildTest, InstallFromTheSelfExtractingSetupInstallsTheSameFiles)
{
    buildScript();
    engine->BuildSetup(kProgram, kOut, true);
    ASSERT_TRUE(machine->moveFile(kOut + "\\setup.exe", kOut + "\\SetupX.exe"));
    ASSERT_TRUE(machine->deleteFile(kOut + "\\files.1"));
    ASSERT_TRUE(machine->deleteFile(kOut + "\\setup.1"));

    newProgram("C:\\TEMP\\QS1\\setup.exe", { "-s" + kOut, "-eSetupX.exe" });
    buildScript();
    engine->Loaded();
    form->Activate();
    EXPECT_FALSE(engine->Failed());
    for (const auto& asked : messages.asked())
        ADD_FAILURE() << asked.text;
    for (const auto& [path, bytes] : sources)
        EXPECT_TRUE(read(kDest + path.substr(path.find_last_of('\\'))) == bytes) << path;
}

} // namespace
