#pragma once

// TForm1: the setup's main form, whose components are the install script
// of the cross-reference program. The form has no code of its own: the
// constructor makes every component in stored order with its properties
// (all in the loading state), Load() finishes the loading, and the engine's
// loading reads the command line and starts the chosen mode: the build
// (-b), the floppies (-f), the resume after a restart (-r), or the install
// at the form's first activation.
//
//   installlib::InstallLibraryStartup();
//   auto form = std::make_unique<tavixsetup::TForm1>();
//   installlib::Application().MainForm = form.get();
//   form->Load();                  // -b builds here and asks the program to end
//   form->Activate();              // a plain start installs here
//
// The backdrop and the product label are widgets; the window that shows the
// form makes them from BackDropStyle and ProductLabelStyle.

#include "setup/installlib/application.h"
#include "setup/installlib/decorative.h"

#include <functional>
#include <string>
#include <vector>

namespace installlib {
class TBadInstallationDlg;
class TCopyFileDlg;
class TCustomPathSpecifier;
class TDialogManager;
class TFileContainer;
class TGoodInstallationDlg;
class TInstallBDE;
class TInstallStatusDlg;
class TLicenseDlg;
class TReadmeDlg;
class TRebootDlg;
class TSelectDestinationDlg;
class TSelectFolderDlg;
class TWelcomeDlg;
class TInstall;
class TInstallDirectory;
class TInstallFile;
class TInstallGroup;
class TInstallMainLink;
class TMainLinkGroup;
class TTranslator;
class TUninstallEXE;
} // namespace installlib

namespace tavixsetup {

// What the backdrop and the product label are made with.
struct TProductLabelStyle {
    std::string Caption;
    std::string FontName;
    int FontHeight = 0;
    bool Bold = false;
    int Height = 0; // top-aligned
    installlib::TLabelStyle Style;
};

class TForm1 : public installlib::TForm {
public:
    TForm1();
    ~TForm1() override;

    // Ends the loading of every component, the engine last (its loading
    // starts the mode the command line chose).
    void Load();

    // The window follows the state and repaints the engine asks for.
    void SetWindowState(installlib::TWindowState State) override;
    void Refresh() override;
    std::function<void(installlib::TWindowState)> OnWindowStateChanged;
    std::function<void()> OnRefresh;

    std::string Caption;
    std::string FontName;
    int FontHeight = 0;
    TProductLabelStyle ProductLabelStyle;

    // --- the script's components, in stored order ---
    std::vector<installlib::TCustomPathSpecifier*> PathSpecifiers;
    installlib::TInstall* Install1 = nullptr;
    installlib::TTranslator* MainTranslator = nullptr;
    installlib::TInstallBDE* InstallBDE = nullptr;
    std::vector<installlib::TInstallFile*> EngineFiles; // the 15 libraries and language drivers
    installlib::TInstallFile* BDEConfigFile = nullptr; // the configuration template
    installlib::TInstallGroup* Group = nullptr;
    installlib::TInstallDirectory* Directory = nullptr;
    installlib::TInstallFile* Program = nullptr; // tavixcat.exe
    installlib::TInstallFile* SystemLibrary = nullptr; // SHLWAPI.dll
    installlib::TInstallDirectory* idMiscellaneous = nullptr;
    installlib::TUninstallEXE* ifUninstallEXE = nullptr;
    installlib::TInstallGroup* Group1 = nullptr;
    installlib::TInstallDirectory* Directory1 = nullptr;
    installlib::TInstallGroup* Group2 = nullptr;
    installlib::TInstallDirectory* Directory2 = nullptr;
    installlib::TInstallGroup* Group3 = nullptr;
    installlib::TInstallDirectory* Directory3 = nullptr;
    installlib::TInstallGroup* Group4 = nullptr;
    installlib::TInstallDirectory* Directory4 = nullptr;
    installlib::TMainLinkGroup* MainFolder = nullptr;
    installlib::TInstallMainLink* InstallMainLink = nullptr;
    installlib::TInstallMainLink* InstallMainLink1 = nullptr;
    installlib::TInstallMainLink* InstallMainLink2 = nullptr;
    installlib::TInstallFile* HelpStartPage = nullptr; // visao_geral.html
    std::vector<installlib::TDialogManager*> DialogManagers; // DialogManager .. DialogManager5
    installlib::TWelcomeDlg* WelcomeDlg = nullptr;
    installlib::TLicenseDlg* LicenseDlg = nullptr;
    installlib::TReadmeDlg* ReadmeDlg = nullptr;
    installlib::TSelectDestinationDlg* SelectDestinationDlg = nullptr;
    installlib::TSelectFolderDlg* SelectFolderDlg = nullptr;
    installlib::TGoodInstallationDlg* GoodInstallationDlg = nullptr;
    installlib::TBadInstallationDlg* BadInstallationDlg = nullptr;
    installlib::TCopyFileDlg* CopyFileDlg = nullptr;
    installlib::TRebootDlg* RebootDlg = nullptr;
    installlib::TInstallStatusDlg* InstallStatusDlg = nullptr;

private:
    template <class T> T* make(const char* Name);
    installlib::TInstallFile* addFile(installlib::TFileContainer* Directory, const std::string& IncludeFromDir,
        const std::string& FileName, int UniqueID);
    void makeTree();
    void makeLinks();
    void makeDialogs();

    std::vector<installlib::TComponent*> loading_;
};

// The engine's libraries and language drivers, in order.
const std::vector<std::string>& EngineFileNames();

// The table files the script installs into Data, in order.
const std::vector<std::string>& TableFileNames();

// The help pages the script installs into Help, visao_geral.html (the
// help link's page) first, and the pictures into Help\Imagens.
const std::vector<std::string>& HelpPageNames();
const std::vector<std::string>& HelpPictureNames();

} // namespace tavixsetup
