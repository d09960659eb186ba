#pragma once

// An install script on a form over a fresh emulated machine: the library
// started, the scripted message service in place, and recording objects
// that write what reaches them into one shared log.

#include "form_fixture.h"

#include "setup/installlib/application.h"
#include "setup/installlib/dialogmanager.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/typecodes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace enginetest {

using namespace installlib;
using Log = std::vector<std::string>;

// A dialog, hook or pass object: records every broadcast code it receives
// and its own processing; OnCode may raise to play a cancelled dialog.
class TRecorder : public TInstallObject {
public:
    TRecorder(TComponent* Owner, Log& log, int typeCode, std::string tag)
        : TInstallObject(Owner)
        , log_(log)
        , type_(typeCode)
        , tag_(std::move(tag))
    {
    }
    int RegisteredType() override { return type_; }
    void ReceiveInformationCode(TInstallContainer*, int Code, TObject* PO) override
    {
        if (Code == icPushStatusText)
            log_.push_back(tag_ + ":" + std::to_string(Code) + " " + static_cast<TMessageParameter*>(PO)->StatusText);
        else
            log_.push_back(tag_ + ":" + std::to_string(Code));
        if (OnCode)
            OnCode(Code);
    }
    std::function<void(int)> OnCode;
    std::function<void()> OnProcess;

protected:
    void InstallStep() override
    {
        log_.push_back("process " + tag_);
        if (OnProcess)
            OnProcess();
    }

private:
    Log& log_;
    int type_;
    std::string tag_;
};

// An install file: installs by logging, may fail, may be run afterwards.
class TTestFile : public TFileRelated {
public:
    TTestFile(TComponent* Owner, Log& log, std::string tag)
        : TFileRelated(Owner)
        , log_(log)
        , tag_(std::move(tag))
    {
        Net = false;
        InstallFileList().Add(this);
    }
    ~TTestFile() override
    {
        if (InstallLibraryStarted())
            InstallFileList().Remove(this);
    }
    int RegisteredType() override { return tcInstallFile; }
    bool WantsRunAfterInstall() const override { return RunAfterInstall; }
    std::string InstalledFilePath() const override { return Installed; }

    bool RunAfterInstall = false;
    std::string Installed;
    std::function<void()> OnInstall;

protected:
    void InstallStep() override
    {
        log_.push_back("install " + tag_);
        if (OnInstall)
            OnInstall();
    }

private:
    Log& log_;
    std::string tag_;
};

// The run-record and reboot steps the engine calls, recorded instead of done.
class TRecordingInstall : public TInstall {
public:
    TRecordingInstall(TComponent* Owner, Log& log)
        : TInstall(Owner)
        , log_(log)
    {
    }
    std::string FindRunRecord(bool Create) override
    {
        log_.push_back(Create ? "find record (create)" : "find record");
        return {};
    }
    void ClearUnfinished() override { log_.push_back("clear unfinished"); }
    void DeleteRunRecord() override { log_.push_back("delete record"); }
    void RegisterRunOnReboot() override { log_.push_back("register run on reboot"); }
    void SaveLanguage() override { log_.push_back("save language"); }
    void RebootWindows() override { log_.push_back("reboot windows"); }

private:
    Log& log_;
};

class EngineTest : public LibraryFormTest {
protected:
    // The setup unpacked by the loader and started with these arguments.
    void startAs(const std::string& program, std::vector<std::string> arguments)
    {
        size_t slash = program.find_last_of('\\');
        ASSERT_TRUE(machine->forceDirectories(program.substr(0, slash)));
        ASSERT_TRUE(machine->writeFile(program, "MZ"));
        machine->setModuleFileName(program);
        Application().Arguments = std::move(arguments);
    }

    TRecordingInstall& makeInstall()
    {
        install = new TRecordingInstall(form.get(), log);
        install->SetName("Install1");
        return *install;
    }
    // A dialog manager of type on the form, for the install makeInstall made.
    TDialogManager* manager(TManagerType type, const std::string& name)
    {
        auto* m = new TDialogManager(form.get());
        m->SetName(name);
        m->ManagerType = type;
        m->SetContainer(install);
        return m;
    }

    // Log entries that begin with prefix, in order.
    std::vector<std::string> only(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& entry : log)
            if (entry.rfind(prefix, 0) == 0)
                out.push_back(entry);
        return out;
    }
    int count(const std::string& entry) const { return static_cast<int>(std::count(log.begin(), log.end(), entry)); }

    TRecordingInstall* install = nullptr;
    Log log;
};

} // namespace enginetest
