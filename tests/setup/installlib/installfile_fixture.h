#pragma once

// Install files on a fresh emulated machine: the library started, a form
// with an engine that records its Unfinished list, a directory container,
// and helpers that make versioned source files and pack them into an archive.

#include "form_fixture.h"

#include "platform/rtl/datetime.h"
#include "platform/ui/message_service.h"
#include "platform/win/batch.h"
#include "platform/win/dosdate.h"
#include "platform/win/version_resource.h"
#include "setup/installlib/application.h"
#include "setup/installlib/filecontainer.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installfile.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/registryroutines.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace installfiletest {

using namespace installlib;

// The engine's run-record steps, recorded instead of written.
class TFileTestInstall : public TInstall {
public:
    explicit TFileTestInstall(TComponent* Owner)
        : TInstall(Owner)
    {
    }
    void AddUnfinished(std::string_view Name, int Code) override
    {
        Unfinished.push_back(std::string(Name) + ";" + std::to_string(Code));
        ++UnfinishedCount;
    }
    bool RunInProgress() override { return InRun; }

    std::vector<std::string> Unfinished;
    bool InRun = false;
};

// A directory that notes the codes its files send up, progress aside.
class TCodeRecordingContainer : public TFileContainer {
public:
    using TFileContainer::TFileContainer;
    void DoInformationEventControl(TInstallObject* Sender, int Code, TObject* PO) override
    {
        if (Code != 1008 && Code != 1009 && Code != 1010)
            Codes.push_back(Code);
        TFileContainer::DoInformationEventControl(Sender, Code, PO);
    }
    std::vector<int> Codes;
};

// Days since 30 December 1899 of three dates used as file stamps.
inline constexpr rtl::TDateTime kOld = 43466.5; // 1 January 2019, noon
inline constexpr rtl::TDateTime kNew = 43983.5; // 1 June 2020, noon
inline constexpr rtl::TDateTime kNewer = 44197.5; // 1 January 2021, noon

inline constexpr const char* kSourceDir = "C:\\SRC";
inline constexpr const char* kArchive = "C:\\SRC\\files.1";
inline constexpr const char* kDestDir = "C:\\Program Files\\My App";

class InstallFileTest : public LibraryFormTest {
protected:
    void SetUp() override
    {
        LibraryFormTest::SetUp();
        RegisterInstallFileClasses();
        ASSERT_TRUE(machine->forceDirectories(kSourceDir));
        ASSERT_TRUE(machine->forceDirectories(kDestDir));
        directory = new TCodeRecordingContainer(form.get());
        directory->SetName("Dir1");
    }

    TFileTestInstall& makeEngine()
    {
        engine = new TFileTestInstall(form.get());
        engine->SetName("Install1");
        engine->Information.ProductName = "My Product";
        return *engine;
    }

    // A PE image carrying a file version (empty: no version resource) and some payload.
    static std::string versioned(const std::string& version, const std::string& payload)
    {
        std::string block;
        if (!version.empty()) {
            win::VersionSpec stamp;
            // The fixed part carries the leading numbers of the text.
            unsigned parts[4] = { 0, 0, 0, 0 };
            std::sscanf(version.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
            for (int i = 0; i < 4; ++i)
                stamp.fileVersion[i] = std::uint16_t(parts[i]);
            stamp.stringTables.push_back({ "040904E4", { { "FileVersion", version } } });
            block = win::buildVersionBlock(stamp);
        }
        return win::buildPeImage(block) + payload;
    }

    void writeStamped(const std::string& path, const std::string& bytes, rtl::TDateTime date)
    {
        ASSERT_TRUE(machine->writeFile(path, bytes)) << path;
        ASSERT_TRUE(machine->setFileDate(path, win::dateTimeToDosDateTime(date))) << path;
    }

    // An install file in the directory container whose source is
    // C:\SRC\<name>, destination kDestDir and archive kArchive.
    TInstallFile* makeFile(const std::string& name, const std::string& component)
    {
        auto* file = new TInstallFile(form.get());
        file->SetName(component);
        file->SetContainer(directory);
        file->SetIncludeFromDir(kSourceDir);
        file->SetFileName(name);
        file->SetDestDirType(nullptr);
        file->SetDestDir(kDestDir);
        file->SetArchiveFileType(nullptr);
        file->SetArchiveFile(kArchive);
        return file;
    }

    // Packs the files, in order, into kArchive and reads their information back.
    void pack(const std::vector<TInstallFile*>& files)
    {
        bool first = true;
        for (auto* file : files) {
            file->AddToArchive = first ? lzcOverwrite : lzcOnlyAdd;
            file->CompressFile();
            first = false;
        }
        for (auto* file : files) {
            file->InfoFromArchive = false;
            file->ReadInfoFromArchive();
        }
    }

    std::string read(const std::string& path)
    {
        std::string bytes;
        EXPECT_TRUE(machine->readFile(path, bytes)) << path;
        return bytes;
    }

    std::string dest(const std::string& name) const { return std::string(kDestDir) + "\\" + name; }

    TCodeRecordingContainer* directory = nullptr;
    TFileTestInstall* engine = nullptr;
};

} // namespace installfiletest
