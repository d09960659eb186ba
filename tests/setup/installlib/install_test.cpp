#include "engine_fixture.h"

#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/translator.h"

using namespace enginetest;

namespace {

// Construction: two engines would fight over the tree and the exception
// handler; an engine off a form has no window to run from.
TEST_F(EngineTest, OneEngineOnAFormOnly)
{
    auto& first = makeInstall();
    EXPECT_EQ(CurrentInstall(), &first);
    EXPECT_EQ(InstallEngine(), &first);
    EXPECT_TRUE(static_cast<bool>(Application().OnException));
    EXPECT_THROW(TInstall second(form.get()), IEInstall);
    EXPECT_EQ(CurrentInstall(), &first);
    EXPECT_EQ(first.Description(), "TInstall component");
    EXPECT_EQ(first.DestDir(), "\\MyApplication");
    EXPECT_EQ(first.GetDestPath(), "C:\\Program Files\\MyApplication");
    EXPECT_TRUE(first.InstallTypes() == TInstallTypeSet { itFull });
    EXPECT_EQ(first.OwnSpecifier(), nullptr); // the engine makes no specifier of its own
    delete install;
    EXPECT_EQ(CurrentInstall(), nullptr);
    EXPECT_FALSE(static_cast<bool>(Application().OnException));

    TComponent plain;
    EXPECT_THROW(TInstall offForm(&plain), IEInstall);
    TDataModule module;
    TInstall onModule(&module);
    EXPECT_EQ(CurrentInstall(), &onModule);
}

// Setters that keep two options consistent, the distribution type guard
// and the presetup list: a blank entry would make the build pack nothing.
TEST_F(EngineTest, PropertyRules)
{
    auto& engine = makeInstall();
    engine.SetHideMainForm(true);
    EXPECT_FALSE(engine.AutoMaximizeWindow());
    engine.SetAutoMaximizeWindow(true);
    EXPECT_FALSE(engine.HideMainForm());

    EXPECT_THROW(engine.SetDistributeType(dtWeb), IEInstall); // run time
    engine.SetDesigning(true);
    EXPECT_THROW(engine.SetDistributeType(dtWeb), IEInstallNetLocNil);
    auto* location = new TCustomNetInstallLocation(form.get());
    engine.SetNetLocation(location);
    EXPECT_EQ(DefaultNetLocation(), location);
    engine.SetDistributeType(dtWeb);
    EXPECT_EQ(engine.DistributeType(), dtWeb);
    engine.SetNetLocation(nullptr);
    EXPECT_EQ(engine.DistributeType(), dtTraditional);
    engine.SetNetLocation(location);
    engine.SetDistributeType(dtTraditionalNet);
    delete location; // a freed location must not be used for the next download
    EXPECT_EQ(engine.NetLocation(), nullptr);
    EXPECT_EQ(DefaultNetLocation(), nullptr);
    EXPECT_EQ(engine.DistributeType(), dtTraditional);
    engine.SetDesigning(false);

    engine.SetPresetupFiles({ "C:\\Q\\a.dll", "  ", "", "C:\\Q\\b.dll" });
    ASSERT_EQ(engine.PresetupFiles().size(), 2u);
    engine.AddPresetupFile("D:\\Other\\A.DLL", true);
    EXPECT_EQ(engine.PresetupFiles().size(), 2u);
    engine.AddPresetupFile("D:\\Other\\A.DLL", false);
    engine.AddPresetupFile("D:\\Other\\c.dll", true);
    EXPECT_EQ(engine.PresetupFiles().size(), 4u);

    TBuildInfo info;
    EXPECT_EQ(info.BuildDirectory, "c:\\build");
    EXPECT_EQ(info.OCXName, "qlsetup");
    info.AppName = "X";
    engine.BuildInfo.Assign(info);
    EXPECT_EQ(engine.BuildInfo, info);
}

// Loading: the debug run without its build directory, the source directory
// taken from -s or the program's own, and the install type offered first.
TEST_F(EngineTest, LoadingReadsTheCommandLine)
{
    startAs("C:\\TEMP\\QS1\\setup.exe", { "-d", "-s  " });
    auto& engine = makeInstall();
    try {
        engine.Loaded();
        FAIL() << "a debug run without a build directory loaded";
    } catch (const IEInstall& e) {
        EXPECT_NE(std::string(e.what()).find("You forgot to pass in the build directory"), std::string::npos);
    }

    Application().Arguments = { "-c" };
    engine.SetInstallTypes({ itFull, itCompact });
    engine.Loaded();
    EXPECT_EQ(engine.SourceDirectory, "C:\\TEMP\\QS1");
    EXPECT_EQ(engine.ChosenInstallType(), itCompact);
    EXPECT_EQ(engine.MainForm(), form.get());
    EXPECT_EQ(log, (Log { "find record" })); // the refused loading stopped before it

    Application().Arguments = { "-sD:\\Build", "-c" };
    engine.SetInstallTypes({ itFull, itDefault, itCompact });
    engine.Loaded();
    EXPECT_EQ(engine.SourceDirectory, "D:\\Build");
    EXPECT_EQ(engine.ChosenInstallType(), itDefault);
}

// Without a main form the automatic run has nowhere to start: refused at
// loading, and accepted when the script does not run automatically.
TEST_F(EngineTest, LoadingWithoutAMainForm)
{
    startAs("C:\\S\\setup.exe", {});
    Application().MainForm = nullptr;
    TDataModule module;
    TRecordingInstall engine(&module, log);
    EXPECT_THROW(engine.Loaded(), IEInstall);
    engine.RunAutomatic = false;
    EXPECT_NO_THROW(engine.Loaded());
    EXPECT_EQ(engine.MainForm(), nullptr);
}

// The activation hook: the run starts once, on the first activation only,
// after the form's own handler; without RunAutomatic nothing runs; a hidden
// main form is moved off the screen.
TEST_F(EngineTest, FirstActivationRunsOnce)
{
    startAs("C:\\TEMP\\QS1\\setup.exe", { "-sC:\\TEMP\\QS1" });
    int ownActivations = 0;
    form->OnActivate = [&](TObject*) { ++ownActivations; };
    auto& engine = makeInstall();
    engine.SetHideMainForm(true);
    engine.Loaded();
    EXPECT_EQ(form->Left(), -2 * form->Width());
    EXPECT_EQ(form->Top(), -2 * form->Height());
    form->Activate();
    EXPECT_EQ(ownActivations, 1);
    EXPECT_EQ(count("find record (create)"), 1);
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(form->WindowState(), wsNormal); // HideMainForm cleared AutoMaximizeWindow
    form->Activate();
    EXPECT_EQ(ownActivations, 2);
    EXPECT_EQ(count("find record (create)"), 1);
}

TEST_F(EngineTest, WithoutRunAutomaticActivationOnlyMaximises)
{
    startAs("C:\\TEMP\\QS1\\setup.exe", { "-sC:\\TEMP\\QS1" });
    auto& engine = makeInstall();
    engine.RunAutomatic = false;
    int archiveReads = 0;
    engine.OnBeforeReadArchiveInfo = [&](TObject*) { ++archiveReads; };
    engine.Loaded();
    form->Activate();
    form->Activate();
    EXPECT_TRUE(engine.Activated());
    EXPECT_EQ(form->WindowState(), wsMaximized);
    EXPECT_EQ(form->RefreshCount(), 1);
    EXPECT_EQ(count("find record (create)"), 0);
    engine.RunInstallation();
    EXPECT_EQ(count("find record (create)"), 1);
    EXPECT_FALSE(Application().Terminated()); // only RunAutomatic shuts down
    EXPECT_FALSE(engine.Running());
    engine.RunInstallation();
    EXPECT_EQ(count("find record (create)"), 2);
    EXPECT_EQ(archiveReads, 1); // the archive directory is read once per program
}

// An exception from the form's own activation handler is shown and stays
// inside the event; the install waits for the next activation.
TEST_F(EngineTest, ActivationHandlerFailureIsContained)
{
    startAs("C:\\TEMP\\QS1\\setup.exe", { "-sC:\\TEMP\\QS1" });
    int calls = 0;
    form->OnActivate = [&](TObject*) {
        if (++calls == 1)
            throw Exception("form handler failed");
    };
    auto& engine = makeInstall();
    engine.Loaded();
    EXPECT_NO_THROW(form->Activate());
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].text, "form handler failed");
    EXPECT_FALSE(engine.Activated());
    EXPECT_EQ(count("find record (create)"), 0);
    form->Activate();
    EXPECT_EQ(count("find record (create)"), 1);
}

// A build that cannot start says why and ends the program, instead of
// falling through to an install.
TEST_F(EngineTest, BuildModeReportsAndEnds)
{
    startAs("C:\\B\\setup.exe", { "-b" });
    auto& engine = makeInstall();
    engine.Loaded();
    EXPECT_TRUE(Application().Terminated());
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].text.find("Need to have a BUILD.INF file"), 0u);
    EXPECT_FALSE(static_cast<bool>(form->OnActivate)); // no install waits for the window
}

// Where the user started the setup from: the restart command is built from
// it, so a wrong origin restarts the wrong program.
TEST_F(EngineTest, SetupOriginPath)
{
    startAs("C:\\TEMP\\QS1\\setup.exe", { "-sD:\\Disk1", "*Nsetup.exe" });
    auto& engine = makeInstall();
    engine.Loaded();
    EXPECT_EQ(engine.SetupOriginPath(), "D:\\Disk1\\*Nsetup.exe"); // the loader's argument as it stands
    Application().Arguments = { "-sD:\\Disk1", "-eSetupX.exe" };
    engine.Loaded();
    EXPECT_EQ(engine.SetupOriginPath(), "D:\\Disk1\\SetupX.exe");
    engine.SetUseLoadingProgram(false);
    Application().Arguments = {};
    engine.Loaded();
    EXPECT_EQ(engine.SetupOriginPath(), "C:\\TEMP\\QS1\\setup.exe");
    Application().IsLibrary = true;
    machine->setModuleFileName("C:\\WINNT\\qlsetup.ocx");
    EXPECT_EQ(engine.SetupOriginPath(), "C:\\WINNT\\qlsetup.ocx");
    EXPECT_EQ(engine.OwnDirectory(), "C:\\WINNT");
}

// At design time the form gets the translator the engine needs, once.
TEST_F(EngineTest, DesignTimeTranslator)
{
    form->SetDesigning(true);
    TInstall engine(form.get());
    TComponent* translator = form->FindComponent("MainTranslator");
    ASSERT_NE(translator, nullptr);
    EXPECT_NE(dynamic_cast<TTranslator*>(translator), nullptr);
    EXPECT_FALSE(static_cast<bool>(Application().OnException)); // not the handler at design time
}

// A component already holding the translator's name must not make the
// engine unconstructible, nor leave a half-made engine registered.
TEST_F(EngineTest, DesignTimeTranslatorNameTaken)
{
    form->SetDesigning(true);
    TComponent other(form.get());
    other.SetName("MainTranslator");
    {
        TInstall engine(form.get());
        EXPECT_NE(dynamic_cast<TTranslator*>(form->FindComponent("MainTranslator1")), nullptr);
    }
    EXPECT_EQ(CurrentInstall(), nullptr);
    EXPECT_EQ(InstallEngine(), nullptr);
}

} // namespace
