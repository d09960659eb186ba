#pragma once

// A tree of groups, directories and install files on a form over a fresh
// emulated machine. The install files are a small stand-in built on
// TFileRelated (classed as a TCustomInstallFile, so the containers treat it
// as one): it packs its source into its archive, extracts it from there, or
// from its container's downloaded archive when it is a net file, and
// records what it saw.

#include "platform/ui/message_service.h"
#include "setup/installlib/filecontainer.h"
#include "setup/installlib/installdirectory.h"
#include "setup/installlib/installgroup.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/ordertrace.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/typecodes.h"
#include "tests/setup/installlib/machine_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace fctest {

using namespace installlib;

inline const TMetaClass& installFileStandInClass()
{
    static const TMetaClass meta("TCustomInstallFile", &TFileRelated::StaticClass());
    return meta;
}

// What one CompressFile call saw.
struct Packed {
    std::string name;
    std::string archive;
    TlzhCommand command;
    bool include;
};

class TTestFile : public TFileRelated {
public:
    static const TMetaClass& StaticClass()
    {
        static const TMetaClass meta("TTestFile", &installFileStandInClass());
        return meta;
    }
    const TMetaClass& ClassType() const override { return StaticClass(); }

    TTestFile(TComponent* Owner, int Id)
        : TFileRelated(Owner)
        , id_(Id)
    {
        Net = false;
    }

    int RegisteredType() override { return tcInstallFile; }

    std::string Source; // on the build machine
    std::string DestName;
    std::int64_t Size = 0;
    std::int64_t PackedSize = 0;
    bool OwnArchive = false;
    bool FailInstall = false;
    bool PackForReal = true; // false: CompressFile only records
    std::vector<int> Received;
    std::vector<Packed>* PackLog = nullptr;

    std::int64_t InstallSize() const override { return Size; }
    std::string InstallFileName() const override { return DestName; }
    std::int64_t InstallArchiveSize() const override { return PackedSize; }
    std::string SourcePath() const override { return Source; }
    bool NeedsOwnArchive() const override { return OwnArchive || NetLocation(); }

    void ReceiveInformationCode(TInstallContainer*, int Code, TObject*) override { Received.push_back(Code); }

    void ReadInfoFromSource() override
    {
        Size = static_cast<std::int64_t>(win::Machine::current().fileSize(Source).value_or(0));
    }

    void ReadInfoFromArchive() override
    {
        const std::string archive = archiveForInfo();
        if (archive.empty() || !win::Machine::current().fileExists(archive))
            return;
        TQrleCompress reader;
        reader.SetCompressedFile(archive);
        const int index = reader.MemberIndexOfID(id_);
        if (index < 0)
            return;
        TlzhFileStats stats;
        reader.GetMemberStats(index, stats);
        Size = stats.FileSize;
        PackedSize = stats.CompressedSize;
    }

    void CompressFile() override
    {
        if (PackLog)
            PackLog->push_back({ Name(), GetArchivePath(), AddToArchive, Include });
        if (!PackForReal || !Include)
            return;
        const std::string archive = GetArchivePath();
        win::Machine::current().forceDirectories(archive.substr(0, archive.rfind('\\')));
        TQrleCompress& packer = SharedArchive();
        packer.SetCompressedFile(archive);
        packer.SetFilesToProcess(std::vector<std::string> { Source });
        if (!packer.AddFiles(AddToArchive == lzcOnlyAdd, id_))
            throw EAIUserAbort();
    }

    void CopyFile() override
    {
        if (!Include)
            return;
        win::Machine& machine = win::Machine::current();
        machine.forceDirectories(GetDestPath());
        if (!machine.copyFile(Source, GetDestPath() + "\\" + DestName, false))
            throw EAI("cannot copy " + Source);
        sendUp(icFileKept);
    }

protected:
    void InstallStep() override
    {
        if (FailInstall)
            throw EAI("cannot install " + Name());
        const std::string archive = archiveForInstall();
        const auto extract = [&] {
            TQrleCompress unpack;
            unpack.SetCompressedFile(archive);
            unpack.ExtractDirectory = GetDestPath();
            unpack.DestinationName = DestName;
            unpack.SetFilesToProcess(std::vector<std::string> { Source });
            win::Machine::current().forceDirectories(GetDestPath());
            if (!unpack.ExtractFiles())
                throw EAIUserAbort();
        };
        if (Net) // as an install file unpacks a downloaded copy
            fileContainer()->UnpackLocalCopy(archive, extract);
        else
            extract();
        sendUp(icFileKept);
    }

private:
    TFileContainer* fileContainer() const { return dynamic_cast<TFileContainer*>(Container()); }

    std::string archiveForInfo()
    {
        if (!Net)
            return GetArchivePath();
        TFileContainer* container = fileContainer();
        return container && container->HasFetchedArchive() ? container->LocalArchivePath() : std::string();
    }

    std::string archiveForInstall()
    {
        if (!Net)
            return GetArchivePath();
        TFileContainer* container = fileContainer();
        if (!container->HasFetchedArchive())
            container->DownloadArchive();
        return container->LocalArchivePath();
    }

    void sendUp(int Code)
    {
        if (Container())
            Container()->DoInformationEventControl(this, Code, this);
    }

    int id_;
};

class FileContainerTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        InstallLibraryStartup();
        ui::MessageService::setCurrent(&messages);
        SetNetUserAbort(false);
        form = new TComponent();
    }
    void TearDown() override
    {
        delete form;
        SetNetUserAbort(false);
        ui::MessageService::setCurrent(nullptr);
        InstallLibraryShutdown();
        MachineTest::TearDown();
    }

    template <class T> T* make(const std::string& name, TInstallContainer* container = nullptr)
    {
        T* object = new T(form);
        object->SetName(name);
        if (container)
            object->SetContainer(container);
        return object;
    }

    // A file of the product at S:\Src\<relative>, with its bytes.
    TTestFile* file(
        const std::string& name, TInstallContainer* container, const std::string& relative, const std::string& bytes)
    {
        const std::string source = "S:\\Src\\" + relative;
        machine->forceDirectories(source.substr(0, source.rfind('\\')));
        EXPECT_TRUE(machine->writeFile(source, bytes));
        auto* f = new TTestFile(form, ++lastId);
        f->SetName(name);
        f->SetContainer(container);
        f->Source = source;
        f->DestName = relative.substr(relative.rfind('\\') + 1);
        f->PackLog = &packLog;
        return f;
    }

    std::string read(const std::string& path)
    {
        std::string bytes;
        if (!machine->readFile(path, bytes))
            return "<missing " + path + ">";
        return bytes;
    }

    std::vector<std::string> traceLines(TOrderTrace trace)
    {
        std::vector<std::string> lines;
        std::string text;
        if (!machine->readFile(OrderTraceFile(trace), text))
            return lines;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        return lines;
    }

    ui::ScriptedMessageService messages;
    TComponent* form = nullptr;
    std::vector<Packed> packLog;
    int lastId = 0;
};

} // namespace fctest
