#pragma once

// Stand-ins for the install classes built on the container tree (file
// containers, groups, files, dialogs, the engine), named as those classes so
// the class tests by name see them as such, and a fixture that starts the
// library on a fresh emulated machine with a form to own the objects.

#include "setup/installlib/informationchain.h"
#include "setup/installlib/installcontainer.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/typecodes.h"
#include "tests/setup/installlib/machine_fixture.h"

#include <string>
#include <vector>

namespace treetest {

using namespace installlib;

// What happened, in order, across all the stand-ins of a test.
inline std::vector<std::string>& Journal()
{
    static std::vector<std::string> journal;
    return journal;
}

class TFileRelated : public TInstallObject {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TFileRelated(TComponent* Owner = nullptr)
        : TInstallObject(Owner)
    {
        ProcessedByContainer = 1;
    }
    std::string GetArchivePath() override { return ArchivePath; }
    std::string ArchivePath;
};

class TFileContainer : public TFileRelated, public TInformationChain {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TFileContainer(TComponent* Owner = nullptr)
        : TFileRelated(Owner)
        , TInformationChain(static_cast<TInstallObject&>(*this))
    {
    }
    int RegisteredType() override { return tcFileContainer; }
    std::string Description() const override { return Desc; }
    void DoInformationEventControl(TInstallObject* Sender, int Code, TObject* PO) override
    {
        HandleInformationCode(Sender, Code, PO);
    }
    void AdoptOwnSpecifier(TpsFileContainer* Specifier) override { Adopted = Specifier; }

    std::string Desc;
    TpsFileContainer* Adopted = nullptr;
    std::vector<std::string> DataReceived;

protected:
    void InstallStep() override
    {
        Journal().push_back("install " + Name());
        InstallChildren();
    }
    void DataReceivedStep(TDownloadStatusParameter& Download) override
    {
        DataReceived.push_back(Download.FileName + ":" + std::to_string(Download.BytesReceived));
    }
    std::int64_t InstallFileSize(TInstallObject& File) override;
    std::string InstallFileName(TInstallObject& File) override;
    void MarkNewDiskAnswered(TInstallObject& File) override;
};

class TCustomInstallGroup : public TFileContainer {
public:
    INSTALLLIB_CLASS_INFO()
    using TFileContainer::TFileContainer;
    int RegisteredType() override { return tcInstallGroup; }
};

class TInstallBDE : public TFileContainer {
public:
    INSTALLLIB_CLASS_INFO()
    using TFileContainer::TFileContainer;
};

// A file; records the codes broadcast to it.
class TCustomInstallFile : public TFileRelated {
public:
    INSTALLLIB_CLASS_INFO()
    using TFileRelated::TFileRelated;
    int RegisteredType() override { return tcInstallFile; }
    void ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO) override
    {
        (void)PO;
        Received.push_back(Code);
        Journal().push_back(Name() + " got " + std::to_string(Code) + " from " + Container->Name());
        if (OnReceive)
            OnReceive(Code, PO);
    }
    void WriteUninstallInfo(std::string_view Key) override { UninstallKey = std::string(Key); }

    std::string FileName;
    std::int64_t Size = 0;
    bool NewDiskAnswered = false;
    std::vector<int> Received;
    std::string UninstallKey;
    std::function<void(int, TObject*)> OnReceive;

protected:
    void InstallStep() override { Journal().push_back("install " + Name()); }
};

// A dialog or hook object: type 9000, never walked, reacts to broadcasts.
class TDialogStandIn : public TInstallObject {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TDialogStandIn(TComponent* Owner = nullptr)
        : TInstallObject(Owner)
    {
        ProcessedByContainer = 0;
    }
    int RegisteredType() override { return tcNeverInstalled; }
    void ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO) override
    {
        (void)Container;
        Received.push_back(Code);
        if (auto* message = dynamic_cast<TMessageParameter*>(PO))
            Texts.push_back(message->StatusText);
        if (OnReceive)
            OnReceive(Code, PO);
    }
    std::vector<int> Received;
    std::vector<std::string> Texts;
    std::function<void(int, TObject*)> OnReceive;
};

class TEngine : public TFileContainer, public TInstallEngineInterface {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TEngine(TComponent* Owner = nullptr)
        : TFileContainer(Owner)
    {
        SetInstallEngine(this);
    }
    ~TEngine() override
    {
        if (InstallEngine() == this)
            SetInstallEngine(nullptr);
    }
    TInstallContainer& EngineContainer() override { return *this; }
    std::string SourceDir() override { return Source; }
    bool SelfExtracting() override { return SelfExtract; }
    std::string SelfExtractorName() override { return ExtractorName; }
    std::string ProductName() override { return Product; }
    bool RunInProgress() override { return Running; }

    std::string Source = "S:\\disk1";
    bool SelfExtract = false;
    std::string ExtractorName;
    std::string Product = "Tavix Electronics";
    bool Running = false;
};

inline std::int64_t TFileContainer::InstallFileSize(TInstallObject& File)
{
    return static_cast<TCustomInstallFile&>(File).Size;
}
inline std::string TFileContainer::InstallFileName(TInstallObject& File)
{
    return static_cast<TCustomInstallFile&>(File).FileName;
}
inline void TFileContainer::MarkNewDiskAnswered(TInstallObject& File)
{
    static_cast<TCustomInstallFile&>(File).NewDiskAnswered = true;
}

// The emulated machine, the started library and a form owning the objects.
class InstallTreeTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        Journal().clear();
        InstallLibraryStartup();
        form = new TComponent();
    }
    void TearDown() override
    {
        delete form;
        InstallLibraryShutdown();
        MachineTest::TearDown();
    }

    // A named component of the form, attached to Container unless that is null.
    template <class T> T* make(const std::string& name, TInstallContainer* container = nullptr)
    {
        T* object = new T(form);
        object->SetName(name);
        if (container)
            object->SetContainer(container);
        return object;
    }

    static std::vector<std::string> childNames(const TInstallContainer& container)
    {
        std::vector<std::string> names;
        for (int i = 0; i < container.ChildCount(); ++i)
            names.push_back(container.Children(i)->Name());
        return names;
    }

    TComponent* form = nullptr;
};

} // namespace treetest
