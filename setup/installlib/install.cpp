#include "setup/installlib/install.h"

#include "platform/rtl/datetime.h"
#include "platform/ui/message_service.h"
#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/apiroutines.h"
#include "setup/installlib/application.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/registryroutines.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/translator.h"
#include "setup/installlib/typecodes.h"
#include "setup/installlib/uninstaller.h"
#include "setup/installlib/uninstallexe.h"

#include <algorithm>
#include <memory>

namespace installlib {

INSTALLLIB_DEFINE_CLASS(TCustomInstall, TFileContainer)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TInstall, TCustomInstall)

namespace {

std::string trimmed(std::string_view s)
{
    return win::text::trim(s);
}

std::string quotedPath(const std::string& path)
{
    return "\"" + path + "\"";
}

// Directory lies strictly below the machine's Temp directory, where the
// loader unpacks the setup; only there may the clean-up remove it whole.
bool isBelowTemp(win::Machine& machine, const std::string& directory)
{
    std::string temp = AddBackslash(machine.fullPathName(machine.tempPath()));
    std::string dir = machine.fullPathName(directory);
    if (temp.size() <= 1 || dir.empty())
        return false;
    dir = AddBackslash(dir);
    return dir.size() > temp.size() && win::text::equalsNoCase(dir.substr(0, temp.size()), temp);
}

TCustomInstall* currentInstall = nullptr;

} // namespace

TInstallRunState& InstallRunState()
{
    static TInstallRunState state;
    return state;
}

TCustomInstall* CurrentInstall()
{
    return currentInstall;
}

void RegisterInstallClasses()
{
    RegisterClass(TFileContainer::StaticClass());
    RegisterClass(TInstall::StaticClass());
}

// --- construction -----------------------------------------------------------------

TCustomInstall::TCustomInstall(TComponent* Owner)
    : TFileContainer(Owner, false)
{
    if (InstallEngine())
        throw IEInstall("The TInstall component does not currently support the use of 2 TInstall components in the "
                        "same project");
    if (!ObjectIs(Owner, "TCustomForm") && !ObjectIs(Owner, "TDataModule"))
        throw IEInstall("The owner of the TInstall component must be a form");
    FiresAfterInstallObjects = false;
    SetInstallEngine(this);
    currentInstall = this;
    registered_ = true;
    try {
        SetDescription("TInstall component");
        SetInstallTypes({ itFull });
        SetDestDirType(StandardPathSpecList().FindClass(TpsProgramFiles::StaticClass()));
        SetDestDir("\\MyApplication");
        SetArchiveFileType(StandardPathSpecList().FindClass(TpsMainArchiveFile::StaticClass()));
        SetArchiveFile("");
        if (IsDesigning())
            makeDesignTranslator();
    } catch (...) {
        // No destructor runs for a half-made engine: withdraw it here.
        SetInstallEngine(nullptr);
        currentInstall = nullptr;
        registered_ = false;
        throw;
    }
    if (!IsDesigning()) {
        Application().OnException = [this](TObject*, const std::exception& E) { HandleInstallError(E); };
        handlerInstalled_ = true;
    }
}

void TCustomInstall::makeDesignTranslator()
{
    createdWhileLoading_ = Owner()->IsLoading();
    for (int i = 0; i < Owner()->ComponentCount(); ++i)
        if (dynamic_cast<TTranslator*>(Owner()->Components(i)))
            return;
    auto translator = std::make_unique<TTranslator>(Owner());
    SetUniqueName(*translator, "MainTranslator"); // another component may hold the name
    designTranslator_ = translator.release();
    designTranslator_->FreeNotification(this);
}

TCustomInstall::~TCustomInstall()
{
    if (hooked_ && mainForm_ && !mainForm_->IsDestroying())
        mainForm_->OnActivate = savedOnActivate_;
    if (registered_) {
        if (InstallEngine() == this)
            SetInstallEngine(nullptr);
        if (currentInstall == this)
            currentInstall = nullptr;
    }
    if (handlerInstalled_)
        Application().OnException = nullptr;
    if (batchPending_ && win::Machine::hasCurrent())
        win::Machine::current().winExec(quotedPath(pendingBatch_), win::SW_HIDE);
}

void TCustomInstall::Notification(TComponent* AComponent, TOperation Operation)
{
    bool wasNetLocation = NetLocation() && AComponent == NetLocation();
    TFileContainer::Notification(AComponent, Operation);
    if (Operation != opRemove)
        return;
    if (wasNetLocation) {
        distributeType_ = dtTraditional;
        if (DefaultNetLocation() == AComponent)
            SetDefaultNetLocation(nullptr);
    }
    if (AComponent == mainForm_) {
        mainForm_ = nullptr;
        hooked_ = false;
    }
    if (AComponent == designTranslator_)
        designTranslator_ = nullptr;
}

[[noreturn]] void TCustomInstall::NotAvailable(std::string_view Step)
{
    throw IEInstall("%s is not available in this setup", { std::string(Step) });
}

// --- properties -------------------------------------------------------------------

void TCustomInstall::SetAutoMaximizeWindow(bool Value)
{
    autoMaximizeWindow_ = Value;
    if (Value && !IsLoading())
        hideMainForm_ = false;
}

void TCustomInstall::SetHideMainForm(bool Value)
{
    hideMainForm_ = Value;
    if (Value && !IsLoading())
        autoMaximizeWindow_ = false;
}

void TCustomInstall::SetDistributeType(TDistributeType Value)
{
    if (!IsLoading()) {
        if (!IsDesigning())
            throw IEInstall("DistributeType can only be set at design-time");
        if (!NetLocation() && Value != dtTraditional)
            throw IEInstallNetLocNil(
                "Must assign a net location via the NetLocation property before you can set the distribute type");
    }
    distributeType_ = Value;
}

void TCustomInstall::SetNetLocation(TComponent* Value)
{
    TFileContainer::SetNetLocation(Value);
    // The engine's location is the one every object without its own uses.
    SetDefaultNetLocation(dynamic_cast<TCustomNetInstallLocation*>(Value));
    if (!Value)
        distributeType_ = dtTraditional;
}

void TCustomInstall::SetPresetupFiles(const std::vector<std::string>& Value)
{
    presetupFiles_.clear();
    for (const auto& line : Value)
        if (!trimmed(line).empty())
            presetupFiles_.push_back(line);
}

void TCustomInstall::SetUseLoadingProgram(bool Value)
{
    useLoadingProgram_ = Value;
    if (Value && !IsLoading()) {
        SetArchiveFileType(StandardPathSpecList().FindClass(TpsMainArchiveFile::StaticClass()));
        SetArchiveFile("");
    }
}

void TCustomInstall::AddPresetupFile(std::string_view Path, bool Check)
{
    if (Check) {
        std::string name = ExtractFileName(Path);
        for (const auto& entry : presetupFiles_)
            if (win::text::equalsNoCase(ExtractFileName(entry), name))
                return;
    }
    presetupFiles_.emplace_back(Path);
}

// --- paths --------------------------------------------------------------------------

std::string TCustomInstall::ProgramFile() const
{
    if (Application().IsLibrary)
        return win::Machine::hasCurrent() ? win::Machine::current().moduleFileName() : std::string();
    return Application().ProgramFile();
}

std::string TCustomInstall::OwnDirectory() const
{
    return RemoveBackslash(ExtractFilePath(ProgramFile()));
}

std::string TCustomInstall::SetupOriginPath()
{
    if (Application().IsLibrary)
        return ProgramFile();
    if (commandLine_.Has(clSelfExtract)) {
        auto* archive = StandardPathSpecList().FindByClass(TpsMainArchiveFile::StaticClass());
        return archive->Expand(this);
    }
    if (useLoadingProgram_)
        return AddBackslash(SourceDirectory) + Application().ParamStr(2);
    return ProgramFile();
}

// --- loading ------------------------------------------------------------------------

void TCustomInstall::ParseCommandLine()
{
    commandLine_.Parse(Application().Arguments);
}

void TCustomInstall::Loaded()
{
    TFileContainer::Loaded();
    if (!IsDesigning()) {
        ParseCommandLine();
        if (commandLine_.Has(clDebug) && trimmed(commandLine_.Value(clSource)).empty())
            throw IEInstall("You forgot to pass in the build directory. In Run | Parameters, follow this format: -d "
                            "\"-sC:\\My Build\"");
    }
    SourceDirectory = commandLine_.Has(clSource) ? commandLine_.Value(clSource) : OwnDirectory();

    InstallRunState().RunRecordKey = FindRunRecord(false);
    if (!InstallRunState().RunRecordKey.empty() && !Name().empty()) {
        std::string local
            = RegistryReadString(4, InstallRunState().RunRecordKey + "\\" + Name(), "LocalFile", std::string());
        if (!trimmed(local).empty())
            LocalFile = local;
    }

    mainForm_ = Application().MainForm;
    if (!mainForm_)
        mainForm_ = dynamic_cast<TCustomForm*>(Owner());
    if (!mainForm_ && RunAutomatic)
        throw IEInstall("Application.MainForm is undefined and the TInstall is not on a form. Therefore, therefore "
                        "the TInstall can't run the installation automatically");
    if (mainForm_)
        mainForm_->FreeNotification(this);

    SetChosenInstallType(itFull);
    if (InstallTypes().Contains(itDefault))
        SetChosenInstallType(itDefault);
    else if (InstallTypes().Contains(itCompact))
        SetChosenInstallType(itCompact);
    else if (InstallTypes().Contains(itFull))
        SetChosenInstallType(itFull);

    if (IsDesigning()) {
        // The stored form brings its own translator.
        if (designTranslator_ && createdWhileLoading_) {
            TTranslator* translator = designTranslator_;
            designTranslator_ = nullptr;
            delete translator;
        }
        return;
    }
    if (commandLine_.Has(clBuild)) {
        BuildFromBuildInf();
    } else if (commandLine_.Has(clFloppies)) {
        TransferToFloppies("a:");
        try {
            CleanupSetupFiles(); // the folder the loader unpacked into
        } catch (const std::exception&) {
        }
    } else if (commandLine_.Has(clReboot)) {
        FinishAfterReboot();
    } else if (mainForm_) {
        savedOnActivate_ = mainForm_->OnActivate;
        mainForm_->OnActivate = [this](TObject* Sender) { ActivationHook(Sender); };
        hooked_ = true;
        if (hideMainForm_)
            mainForm_->SetBounds(
                -2 * mainForm_->Width(), -2 * mainForm_->Height(), mainForm_->Width(), mainForm_->Height());
    }
}

void TCustomInstall::ActivationHook(TObject* Sender)
{
    (void)Sender;
    if (activated_) {
        // Later activations belong to the form's own handler.
        if (savedOnActivate_)
            savedOnActivate_(Owner());
        return;
    }
    if (savedOnActivate_)
        savedOnActivate_(Owner());
    activated_ = true;
    if (!mainForm_)
        return;
    if (autoMaximizeWindow_) {
        mainForm_->SetWindowState(wsMaximized);
        mainForm_->Refresh();
    }
    if (RunAutomatic) {
        if (savedOnActivate_) {
            mainForm_->OnActivate = savedOnActivate_;
            hooked_ = false;
        }
        RunInstallation();
    }
}

// --- the run ----------------------------------------------------------------------

void TCustomInstall::RunInstallation()
{
    try {
        RunSequence();
    } catch (const std::exception& e) {
        HandleInstallError(e);
    } catch (...) {
        HandleInstallError(std::runtime_error("Unknown exception"));
    }
}

void TCustomInstall::fireAfterInstallObjects()
{
    if (afterInstallObjectsFired_)
        return;
    afterInstallObjectsFired_ = true;
    if (OnAfterInstallObjects)
        OnAfterInstallObjects(this, SharedArchive().Abort);
}

void TCustomInstall::RunSequence()
{
    failed_ = false;
    InstallRunState().RunStartTime = rtl::Now();
    InstallRunState().RetrySelfRegistration = true;
    SelfRegisterRetryList().Clear();
    UnfinishedCount = 0;
    batchPending_ = false;
    pendingBatch_.clear();
    afterInstallObjectsFired_ = false;
    undoOnFailure_ = false;
    running_ = true;

    if (useLoadingProgram_ && !commandLine_.Has(clSource))
        throw IEInstall("The path of the loading program was not passed correctly. If you are running your install "
                        "project in the IDE, then you need to add two command line parameters. In Run | Parameters | "
                        "\"Run Parameters\", type in: -d \"-sBUILDPATH\" where BUILDPATH is the path into which you "
                        "built the distributables. Example: -d \"-sC:\\My Build\".");

    InstallRunState().RunRecordKey = FindRunRecord(true);
    ClearUnfinished();

    if (commandLine_.Has(clSelfExtract)) {
        std::string trailer = ReadSelfExtractInfo(SetupOriginPath());
        std::int32_t offset = 0;
        for (int i = 0; i < 4; ++i)
            offset |= static_cast<std::int32_t>(static_cast<unsigned char>(trailer.at(24 + i))) << (8 * i);
        // The files read their information through the shared component
        // only when it names this file, and only it carries the offset.
        SharedArchive().SetCompressedFile(SetupOriginPath());
        SharedArchive().Offset = offset;
        SharedArchive().ArchiveName = "files.1";
    }

    ReadArchiveInfo();
    if (OnAfterInitialized)
        OnAfterInitialized(this);

    for (int code : { icRunBegins, icRunSecond, icRunThird, icWelcome, icLicense, icReadme, icBeforeInstall })
        Broadcast(code, nullptr);
    if (failed_)
        return; // the failure handler ran while a dialog was up

    // A first install that fails or is cancelled takes back what it wrote,
    // so that no entry is listed without what its uninstall program needs;
    // over an existing install the entry and its uninstall program stay,
    // and its lists name what both runs wrote.
    {
        TqrleRegistry reg;
        reg.SetRootKey(win::RootKey::LocalMachine);
        undoOnFailure_ = !reg.KeyExists(std::string(UninstallKeyBase) + ProductName());
    }
    try {
        // The uninstall program before anything its entry lists.
        for (int i = 0; i < InstallFileList().Count(); ++i)
            if (auto* program = dynamic_cast<TUninstallEXE*>(InstallFileList().Items(i)))
                program->InstallAhead();
        ProcessContainer();
        RetrySelfRegistrations();
        for (const TTypePass& pass : EngineTypePasses)
            InstallObjectsOfType(pass.TypeCode, pass.StatusText ? pass.StatusText : "");
        fireAfterInstallObjects();
        // A handler inside the walk (a copy form's guarded Cancel) may have
        // run the failure path already; the good ending must not follow it.
        if (failed_)
            return;

        // What earlier runs of this setup left: a declined restart's resume
        // and Temp folder, and what killed runs left behind.
        WithdrawEarlierResumes();
        RemoveStaleSetupTemporaries();
        if (UnfinishedCount > 0 || Reboot)
            RegisterRunOnReboot();
        bool rebootWanted = Reboot;
        if (rebootWanted) {
            Broadcast(icReboot, nullptr);
            if (Reboot && OnBeforeReboot)
                OnBeforeReboot(this, Reboot);
        }
        if (Reboot) {
            SaveLanguage();
            RebootWindows();
            Application().Terminate();
            return;
        }
        if (rebootWanted) {
            // The RunOnce entry finishes the install at the next start.
            Application().Terminate();
            return;
        }
        undoOnFailure_ = false; // the user is told it is complete
        NotifyGoodInstall();
        CleanupSetupFiles();
        DeleteRunRecord();
        if (RunAutomatic)
            ShutdownSetup();
        RunFilesAfterInstall();
        running_ = false;
    } catch (...) {
        fireAfterInstallObjects();
        throw;
    }
}

void TCustomInstall::RetrySelfRegistrations()
{
    TCustomInstallFileList& retry = SelfRegisterRetryList();
    std::vector<TInstallObject*> files;
    for (int i = 0; i < retry.Count(); ++i)
        files.push_back(retry.Items(i));
    for (TInstallObject* file : files)
        if (retry.IndexOf(file) >= 0)
            file->AfterRestart();
}

void TCustomInstall::InstallObjectsOfType(int TypeCode, std::string_view StatusText)
{
    bool pushed = false;
    try {
        const std::vector<TInstallContainer*> objects = InstallContainerList().All();
        for (TInstallContainer* object : objects) {
            const auto& live = InstallContainerList().All();
            if (std::find(live.begin(), live.end(), object) == live.end())
                continue; // freed by an earlier object of the pass
            int type;
            try {
                type = object->RegisteredType();
            } catch (const IEInstallContainer&) {
                continue; // a base object without a type code of its own is never installed
            }
            if (type != TypeCode)
                continue;
            if (!pushed && !trimmed(StatusText).empty()) {
                PushStatusText(TranslateText(StatusText));
                pushed = true;
            }
            object->ProcessContainer();
        }
    } catch (...) {
        if (pushed)
            PopStatusText();
        throw;
    }
    if (pushed)
        PopStatusText();
}

void TCustomInstall::ReadArchiveInfo()
{
    if (archiveInfoRead_)
        return;
    if (OnBeforeReadArchiveInfo)
        OnBeforeReadArchiveInfo(this);
    Broadcast(icBeforeArchiveInfo, nullptr);
    {
        ui::BusyCursor busy;
        PushStatusText(TranslateText("Reading file information..."));
        try {
            ReadInfoFromArchiveAll();
            if (distributeType_ != dtTraditional)
                ReadFileList();
        } catch (...) {
            PopStatusText();
            throw;
        }
        PopStatusText();
    }
    archiveInfoRead_ = true;
    if (OnAfterReadArchiveInfo)
        OnAfterReadArchiveInfo(this);
    Broadcast(icAfterArchiveInfo, nullptr);
}

void TCustomInstall::NotifyGoodInstall()
{
    if (OnBeforeNotifyGoodInstall)
        OnBeforeNotifyGoodInstall(this);
    Broadcast(icGoodInstallation, nullptr);
    Broadcast(icAfterGoodInstall, nullptr);
    if (OnAfterNotifyGoodInstall)
        OnAfterNotifyGoodInstall(this);
}

void TCustomInstall::NotifyBadInstall()
{
    if (OnBeforeNotifyBadInstall)
        OnBeforeNotifyBadInstall(this);
    Broadcast(icBadInstallation, nullptr);
    Broadcast(icAfterBadInstall, nullptr);
    if (OnAfterNotifyBadInstall)
        OnAfterNotifyBadInstall(this);
}

void TCustomInstall::ShutdownSetup()
{
    bool quitOut = true;
    if (OnBeforeShutdown)
        OnBeforeShutdown(this, quitOut);
    if (quitOut)
        Application().Terminate();
}

bool TCustomInstall::QueryUserAbort()
{
    bool quitOut = true;
    if (OnUserAbort)
        OnUserAbort(this, quitOut);
    return quitOut;
}

void TCustomInstall::RunFilesAfterInstall()
{
    TCustomInstallFileList& files = InstallFileList();
    std::vector<TInstallObject*> snapshot;
    for (int i = 0; i < files.Count(); ++i)
        snapshot.push_back(files.Items(i));
    for (TInstallObject* object : snapshot) {
        auto* file = dynamic_cast<TFileRelated*>(object);
        if (!file || files.IndexOf(object) < 0 || !file->WantsRunAfterInstall())
            continue;
        bool defaultAction = true;
        if (OnBeforeRunFile)
            OnBeforeRunFile(this, file, defaultAction);
        // Quoted: installed paths lie under "Program Files" and hold blanks.
        if (file->WantsRunAfterInstall() && defaultAction)
            win::Machine::current().winExec(quotedPath(file->InstalledFilePath()), win::SW_SHOW);
    }
}

void TCustomInstall::CleanupSetupFiles()
{
    if (!useLoadingProgram_ || commandLine_.Has(clDebug) || !commandLine_.Has(clCleanup) || IsDesigning())
        return;
    bool proceed = true;
    if (OnBeforeCleanup)
        OnBeforeCleanup(this, proceed);
    if (!proceed)
        return;
    win::Machine& machine = win::Machine::current();
    std::string own = AddBackslash(OwnDirectory());
    for (const auto& entry : presetupFiles_)
        machine.deleteFile(own + ExtractFileName(entry)); // a file already gone is no failure
    if (Application().IsLibrary)
        return;

    std::string batch = GetTempBatchFile(false);
    size_t dot = batch.find_last_of('.');
    size_t slash = batch.find_last_of('\\');
    std::string stem
        = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? batch.substr(0, dot) : batch;
    batch = stem + ".bat";
    std::string program = machine.fullPathName(ProgramFile());
    std::string programDir = RemoveBackslash(ExtractFilePath(program));
    std::string text = "ERASE " + quotedPath(program) + "\r\n";
    // The whole directory goes only when the loader unpacked the setup below
    // Temp; anywhere else it may hold the user's own files.
    if (isBelowTemp(machine, programDir))
        text += "DELTREE /Y " + quotedPath(programDir) + "\r\n";
    text += "ERASE " + quotedPath(stem + ".PIF") + "\r\n";
    text += "ERASE " + quotedPath(batch) + "\r\n";
    if (!machine.writeFile(batch, text))
        throw IEInstall("Cannot write the clean-up file %s", { batch });
    pendingBatch_ = batch;
    batchPending_ = true;
}

// --- failure handling ---------------------------------------------------------------

void TCustomInstall::HandleInstallError(const std::exception& E)
{
    if (!running_) {
        Application().ShowException(E);
        return;
    }
    running_ = false;
    failed_ = true;
    if (undoOnFailure_) {
        undoOnFailure_ = false;
        try {
            UndoFailedInstall(ProductName());
        } catch (const std::exception&) {
            // What could not be taken back stays listed for the uninstall.
        }
    }
    try {
        if (dynamic_cast<const EAIUserAbort*>(&E)) {
            NotifyBadInstall();
            CleanupSetupFiles();
            DeleteRunRecord();
            if (RunAutomatic)
                ShutdownSetup();
        } else {
            // The run record stays, for the next start.
            NotifyBadInstall();
            Application().ShowException(E);
            ShutdownSetup();
        }
    } catch (...) {
        if (RunAutomatic)
            Application().Terminate();
    }
}

} // namespace installlib
