#pragma once

// The install engine: the one TInstall of a setup program. It is the root
// container of the install script's tree, reads the command line, decides at
// loading whether the program builds its distribution (-b), copies it to
// floppies (-f), finishes an install after a reboot (-r) or installs at the
// main form's first activation, and then drives the run: the dialog
// broadcasts, the container walk, the passes over the type codes, the good
// or bad ending, clean-up, reboot and shut-down.
//
//   auto* install = new TInstall(&form);        // on the script's form
//   ... build the tree in loading mode, then
//   install->Loaded();                            // parses the command line
//   form.Activate();                              // first activation: the run
//
// The engine is the application's exception handler (TApplication::
// OnException) outside design mode: during a run an exception becomes the
// failure path (bad-install pages, then clean-up and record deletion for a
// user abort, or the error box and shut-down for anything else); otherwise it
// is shown in the standard way.
//
// The run record (runrecord.cpp) is the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\Quorle\Install\InstallN, found again by the
// setup file's date and size; work that must wait for a restart is listed in
// its Unfinished subkey, and the RunOnce value QuorleUnfinished starts the
// setup with -r to finish it.
//
// The build and floppy modes and the self-extractor trailer are in
// buildmode.cpp and selfextract.cpp (layout in buildmode.h), the net file
// list in netfilelist.cpp.

#include "setup/installlib/buildinfo.h"
#include "setup/installlib/commandline.h"
#include "setup/installlib/filecontainer.h"
#include "setup/installlib/installerrors.h"
#include "setup/installlib/installinformation.h"

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace installlib {

class TCustomForm;
class TTranslator;
enum TQrleLanguage : int;

// A net distribution type was chosen before a net location was assigned.
class IEInstallNetLocNil : public IEInstall {
public:
    using IEInstall::IEInstall;
};

enum TDistributeType { dtTraditional, dtWeb, dtTraditionalNet };

class TCustomInstall;

// Events that may veto a step: Continue (or QuitOut, DefaultAction) starts True.
using TInstallContinueEvent = std::function<void(TCustomInstall* Install, bool& Continue)>;
using TBeforeRunFileEvent
    = std::function<void(TCustomInstall* Install, TInstallObject* FileToRun, bool& DefaultAction)>;

class TCustomInstall : public TFileContainer, public TInstallEngineInterface {
public:
    INSTALLLIB_CLASS_INFO()
    // Owner must be a form or a data module; a second engine is refused.
    explicit TCustomInstall(TComponent* Owner);
    ~TCustomInstall() override;

    // --- published properties ---
    bool AutoMaximizeWindow() const { return autoMaximizeWindow_; }
    // True (outside loading) clears HideMainForm.
    void SetAutoMaximizeWindow(bool Value);
    TBuildInfo BuildInfo;
    // The picture data shown on the wizard pages; empty means the library's own.
    std::string DialogThemeBitmap;
    TDistributeType DistributeType() const { return distributeType_; }
    // Outside loading: refused at run time, and refused for a net type
    // without a net location.
    void SetDistributeType(TDistributeType Value);
    bool HideMainForm() const { return hideMainForm_; }
    // True (outside loading) clears AutoMaximizeWindow.
    void SetHideMainForm(bool Value);
    TInstallInformation Information;
    // Null forces DistributeType to dtTraditional (also when the location is freed).
    void SetNetLocation(TComponent* Value) override;
    const std::vector<std::string>& PresetupFiles() const { return presetupFiles_; }
    // Blank lines are dropped.
    void SetPresetupFiles(const std::vector<std::string>& Value);
    bool Reboot = false;
    bool RunAutomatic = true;
    bool UseLoadingProgram() const { return useLoadingProgram_; }
    // True (outside loading) sets ArchiveFileType to the main archive and
    // clears ArchiveFile.
    void SetUseLoadingProgram(bool Value);

    // --- events ---
    TNotifyEvent OnAfterInitialized;
    TNotifyEvent OnBeforeReadArchiveInfo;
    TNotifyEvent OnAfterReadArchiveInfo;
    TNotifyEvent OnBeforeNotifyGoodInstall;
    TNotifyEvent OnAfterNotifyGoodInstall;
    TNotifyEvent OnBeforeNotifyBadInstall;
    TNotifyEvent OnAfterNotifyBadInstall;
    TInstallContinueEvent OnBeforeReboot; // Continue is Reboot itself
    TNotifyEvent OnFailedReboot;
    TBeforeRunFileEvent OnBeforeRunFile;
    TInstallContinueEvent OnBeforeShutdown;
    TInstallContinueEvent OnBeforeCleanup;
    TInstallContinueEvent OnUserAbort;

    // --- run-time state ---
    const TInstallCommandLine& CommandLine() const { return commandLine_; }
    std::string SourceDirectory;
    TCustomForm* MainForm() const { return mainForm_; }
    bool Activated() const { return activated_; }
    bool Running() const { return running_; }
    // The failure handler ran, or the build or the floppy transfer failed.
    bool Failed() const { return failed_; }
    int UnfinishedCount = 0;
    const std::string& PendingBatchFile() const { return pendingBatch_; }
    bool BatchPending() const { return batchPending_; }
    bool ArchiveInformationRead() const { return archiveInfoRead_; }

    // --- operations ---
    // Adds Path unless Check is set and an entry with the same file name
    // (without case) is there.
    void AddPresetupFile(std::string_view Path, bool Check);
    // The command line of the application (its arguments from the first on).
    virtual void ParseCommandLine();
    // The whole run; never raises: a failure goes to HandleInstallError.
    virtual void RunInstallation();
    virtual void InstallObjectsOfType(int TypeCode, std::string_view StatusText);
    virtual void NotifyGoodInstall();
    virtual void NotifyBadInstall();
    virtual void CleanupSetupFiles();
    virtual void RunFilesAfterInstall();
    virtual void ShutdownSetup();
    virtual bool QueryUserAbort();
    virtual void ReadArchiveInfo();
    // The application's exception handler; never raises.
    virtual void HandleInstallError(const std::exception& E);

    // --- run record, reboot and resume ---
    // The record's key path of this setup file (matched by the program
    // file's date and size), made when Create is set and none matches;
    // empty when there is none or it cannot be written. Raises IEInstall
    // when the program file cannot be opened.
    virtual std::string FindRunRecord(bool Create);
    // The Unfinished list: code 1 a file to delete after the restart, 0 an
    // install object whose after-restart step is due. Without a record
    // these raise IEInstall (the unfinished-business error).
    virtual void ClearUnfinished();
    virtual void AddUnfinished(std::string_view Name, int Code);
    // Lines "name;code" in the registry's order.
    virtual void ReadUnfinished(std::vector<std::string>& List);
    // Removes the record with the downloaded archives it names, and the
    // Quorle keys when nothing else is left under them.
    virtual void DeleteRunRecord();
    // The RunOnce value QuorleUnfinished: the program with -r and the origin.
    virtual void RegisterRunOnReboot();
    // This run takes the place of the earlier runs of the same setup file
    // that wait for a restart (their restart was declined): their RunOnce
    // commands go, and the Temp folders the loader unpacked them into.
    void WithdrawEarlierResumes();
    // The temporaries that killed runs left in Temp and in the folders of
    // this script's files (staletemporaries.h).
    void RemoveStaleSetupTemporaries();
    // The translator's target language kept in the record for the resume.
    virtual void SaveLanguage();
    virtual TQrleLanguage RestoreLanguage();
    // Asks Windows to restart; a refusal goes to OnFailedReboot or a message.
    virtual void RebootWindows();
    // The -r mode; a failure goes to the failure handler.
    virtual void FinishAfterReboot();

    // --- build mode, self-extracting setup, floppies, net file list ---
    // -b: builds into the directory named by the first line of BUILD.INF
    // beside the program; shows any error and terminates.
    virtual void BuildFromBuildInf();
    // The build: setup.exe and setup.1 (or a plain copy of the program),
    // files.1 and the net archives by DistributeType, the net file list,
    // and with SelfExtracting the joined setup.exe. The engine's archive
    // settings are put back, also on failure. All is written into a folder
    // of its own in BuildDir first and moved in at the end: a failed build
    // leaves BuildDir as it was.
    virtual void BuildSetup(std::string_view SetupProgram, std::string_view BuildDir, bool SelfExtracting);
    virtual void CopyLoaderProgram(std::string_view BuildDir, std::string_view SetupProgram);
    // setup.1 anew: the program, then each presetup file.
    virtual void CreateSetupArchive(std::string_view BuildDir, std::string_view SetupProgram);
    // "filelist.lst" in the net subdirectory beside files.1: the install
    // files this build compressed.
    virtual void WriteFileList();
    // Appends setup.1, files.1 (when it exists) and the trailer to setup.exe;
    // setup.exe stays the bare loader when that fails.
    virtual void WriteSelfExtractor(std::string_view SetupExe, std::string_view Setup1, std::string_view Files1);
    // -f: copies the self-extracting setup onto floppies in Drive; shows
    // any error and terminates.
    virtual void TransferToFloppies(std::string_view Drive);
    // The 56 trailer bytes of a self-extracting file.
    virtual std::string ReadSelfExtractInfo(std::string_view Path);
    // Net distributions: size, date and version of the files on the server.
    virtual void ReadFileList();

    // The file the user started (the restart command is built from it).
    std::string SetupOriginPath();
    // The running program's file (the module file inside a library).
    std::string ProgramFile() const;
    // Its directory, without trailing backslash.
    std::string OwnDirectory() const;

    // Loading: the command line, the source directory, the run record, the
    // main form, the chosen install type and the start-up mode.
    void Loaded() override;

    // --- the engine as the tree and the path specifiers see it ---
    TInstallContainer& EngineContainer() override { return *this; }
    std::string SourceDir() override { return SourceDirectory; }
    bool SelfExtracting() override { return commandLine_.Has(clSelfExtract); }
    std::string SelfExtractorName() override { return commandLine_.Value(clSelfExtract); }
    std::string ProductName() override { return Information.ProductName; }
    bool RunInProgress() override { return running_; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The main form's first activation.
    void ActivationHook(TObject* Sender);
    // Steps 1 to 17 of the run; raises.
    virtual void RunSequence();
    // Step 10: each file on the retry list registers itself again.
    virtual void RetrySelfRegistrations();
    // Raises IEInstall "<Step> is not available in this setup".
    [[noreturn]] void NotAvailable(std::string_view Step);

private:
    void fireAfterInstallObjects();
    void withdrawEarlierResumes();
    // BuildSetup's work, all of it written into BuildDir.
    void buildInto(std::string_view SetupProgram, const std::string& BuildDir, bool SelfExtracting);
    void makeDesignTranslator();

    bool autoMaximizeWindow_ = true;
    TDistributeType distributeType_ = dtTraditional;
    bool hideMainForm_ = false;
    std::vector<std::string> presetupFiles_;
    bool useLoadingProgram_ = true;

    TInstallCommandLine commandLine_;
    TCustomForm* mainForm_ = nullptr;
    std::function<void(TObject*)> savedOnActivate_;
    bool hooked_ = false;
    bool activated_ = false;
    bool running_ = false;
    bool failed_ = false;
    bool afterInstallObjectsFired_ = false;
    bool undoOnFailure_ = false; // the run began a first install of the product
    bool archiveInfoRead_ = false;
    std::string pendingBatch_;
    bool batchPending_ = false;
    bool handlerInstalled_ = false;
    bool registered_ = false;
    TTranslator* designTranslator_ = nullptr;
    bool createdWhileLoading_ = false;
};

class TInstall : public TCustomInstall {
public:
    INSTALLLIB_CLASS_INFO()
    using TCustomInstall::TCustomInstall;
};

// Library-wide state of the run.
struct TInstallRunState {
    // The run record's registry key ("\SOFTWARE\Quorle\Install\InstallN");
    // empty when there is none.
    std::string RunRecordKey;
    // Start time of the current run (days since 30 December 1899); 0 before.
    double RunStartTime = 0;
    // A failed self-registration goes on the retry list instead of failing
    // the run (set at the start of every run).
    bool RetrySelfRegistration = false;
};
TInstallRunState& InstallRunState();
// Path lies directly in the machine's Temp folder, where a setup keeps its
// batch files and downloads: only such a file is deleted on the word of a
// run record.
bool LiesInTempDirectory(const std::string& Path);

// The current engine as a TCustomInstall; null when there is none.
TCustomInstall* CurrentInstall();

// Registers TInstall by name (library start-up).
void RegisterInstallClasses();

} // namespace installlib
