#include "setup/tavixsetup/form1.h"

#include "setup/installlib/dialogmanager.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installbde.h"
#include "setup/installlib/installdirectory.h"
#include "setup/installlib/installfile.h"
#include "setup/installlib/installgroup.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/shelllinks.h"
#include "setup/installlib/translator.h"
#include "setup/installlib/ui/progresswindows.h"
#include "setup/installlib/ui/wizardpages.h"
#include "setup/installlib/uninstallexe.h"
#include "setup/tavixsetup/buildlayout.h"
#include "setup/tavixsetup/scripttexts.h"

#include <algorithm>
#include <cstdint>

namespace tavixsetup {

using namespace installlib;

namespace {

const TInstallTypeSet kAllTypes { itFull, itDefault, itCompact };

std::string str(std::string_view s)
{
    return std::string(s);
}

void put16(std::string& s, std::uint16_t v)
{
    s += char(v & 0xFF);
    s += char(v >> 8);
}

void put32(std::string& s, std::uint32_t v)
{
    put16(s, std::uint16_t(v & 0xFFFF));
    put16(s, std::uint16_t(v >> 16));
}

// The picture on the wizard's pages: a 24-bit bitmap, dark blue at the top
// shading to light blue, with the yellow disc of the product's logo.
std::string themeBitmap()
{
    constexpr int w = 120, h = 300;
    constexpr int row = (w * 3 + 3) & ~3;
    std::string bmp = "BM";
    put32(bmp, 54 + row * h);
    put32(bmp, 0);
    put32(bmp, 54);
    put32(bmp, 40);
    put32(bmp, w);
    put32(bmp, h);
    put16(bmp, 1);
    put16(bmp, 24);
    put32(bmp, 0);
    put32(bmp, row * h);
    put32(bmp, 2835);
    put32(bmp, 2835);
    put32(bmp, 0);
    put32(bmp, 0);
    for (int y = h - 1; y >= 0; --y) { // bottom row first
        std::string line;
        for (int x = 0; x < w; ++x) {
            const int dx = x - 60, dy = y - 70;
            const bool disc = dx * dx + dy * dy <= 30 * 30;
            const int shade = 40 + 160 * y / h;
            const std::uint8_t b = disc ? 40 : std::uint8_t(std::min(255, shade + 60));
            const std::uint8_t g = disc ? 200 : std::uint8_t(shade / 2 + 30);
            const std::uint8_t r = disc ? 240 : std::uint8_t(shade / 4);
            line += char(b);
            line += char(g);
            line += char(r);
        }
        line.resize(row, '\0');
        bmp += line;
    }
    return bmp;
}

template <class T> T* standard(const std::vector<TCustomPathSpecifier*>& list)
{
    for (TCustomPathSpecifier* s : list)
        if (auto* t = dynamic_cast<T*>(s))
            return t;
    return StandardSpecifier<T>();
}

} // namespace

const std::vector<std::string>& EngineFileNames()
{
    static const std::vector<std::string> names { "IDAPI32.DLL", "BLW32.DLL", "IDDR32.DLL", "IDBAT32.DLL",
        "IDR20009.DLL", "IDPDX32.DLL", "IDSQL32.DLL", "IDQBE32.DLL", "USA.BLL", "EUROPE.BLL", "OTHER.BLL",
        "CHARSET.BLL", "CEEUROPE.BLL", "FAREAST.BLL", "JAPAN.BLL" };
    return names;
}

const std::vector<std::string>& TableFileNames()
{
    // transistores has a memo field whose notes are longer than the part kept
    // in the record: its .MB file travels with it, or the table cannot open.
    static const std::vector<std::string> names { "transistores.DB", "transistores.PX", "transistores.MB",
        "diodosr.DB", "diodosr.PX", "diodosz.DB", "diodosz.PX", "graficos.DB", "graficos.MB", "graficos.PX",
        "Reparos.DB", "Reparos.MB", "Reparos.PX" };
    return names;
}

const std::vector<std::string>& HelpPageNames()
{
    static const std::vector<std::string> names { "visao_geral.html", "instalacao.html", "transistores.html",
        "diodos.html", "zeners.html", "pesquisa_similar.html", "encapsulamentos.html", "codigos_de_cores.html",
        "reparos.html", "textos_tecnicos.html", "historico.html", "requisitos.html", "perguntas.html",
        "contato.html" };
    return names;
}

const std::vector<std::string>& HelpPictureNames()
{
    static const std::vector<std::string> names { "to18.jpg", "to39.jpg", "to92.jpg", "to72.jpg", "to126.jpg",
        "to220.jpg", "to3.jpg", "to3p.jpg", "sot23.jpg", "do35.jpg", "do41.jpg", "do201.jpg", "sod57.jpg",
        "abertura.jpg", "resistor.jpg", "cap_poli.jpg", "tela_transistores.jpg", "tela_diodos.jpg",
        "tela_reparos.jpg", "logo.gif" };
    return names;
}

template <class T> T* TForm1::make(const char* Name)
{
    auto* component = new T(this);
    component->SetLoading(true);
    component->SetName(Name);
    loading_.push_back(component);
    return component;
}

TForm1::TForm1()
{
    SetName("Form1");
    SetLoading(true);
    SetBounds(200, 108, 544, 375);
    Caption = "Tavixsoft - Install";
    FontName = "MS Sans Serif";
    FontHeight = -11;
    ProductLabelStyle.Caption = str(kProductName);
    ProductLabelStyle.FontName = "Arial";
    ProductLabelStyle.FontHeight = -32;
    ProductLabelStyle.Bold = true;
    ProductLabelStyle.Height = 65;
    ProductLabelStyle.Style.SetAShadeLTSet(false);

    PathSpecifiers = {
        make<TpsBDEDLL>("psBDEDLL"),
        make<TpsCommonFiles>("psCommonFiles"),
        make<TpsContainerArchiveFile>("psContainerArchiveFile"),
        make<TpsContainerDestDir>("psContainerDestDir"),
        make<TpsDesktopMenu>("psDesktopMenu"),
        make<TpsInstallSource>("psInstallSource"),
        make<TpsMainInstall>("psMainInstall"),
        make<TpsProgramFiles>("psProgramFiles"),
        make<TpsProgramMenu>("psProgramMenu"),
        make<TpsStartMenu>("psStartMenu"),
        make<TpsStartupMenu>("psStartupMenu"),
        make<TpsSystem>("psSystem"),
        make<TpsMainArchiveFile>("psMainArchiveFile"),
        make<TpsWindow>("psWindow"),
        make<TpsObjectLink>("psObjectLink"),
    };

    Install1 = make<TInstall>("Install1");
    Install1->SetDestDirType(standard<TpsProgramFiles>(PathSpecifiers));
    Install1->SetDestDir("\\Tavixsoft");
    Install1->Information.CompanyName = str(kCompanyName);
    Install1->Information.ProductName = str(kProductName);
    Install1->Information.Version = str(kProductVersion);
    Install1->SetHideMainForm(false);
    Install1->Reboot = false;
    Install1->SetUseLoadingProgram(true);
    Install1->SetPresetupFiles({ str(kLibraryDir) + "\\" + str(kEngineConfigLibraryName) });
    Install1->BuildInfo.BuildDirectory = str(kBuildDirectory);
    Install1->BuildInfo.OCXName = "qlsetup";
    Install1->BuildInfo.SignCode = false;
    Install1->DialogThemeBitmap = themeBitmap();
    Install1->SetInstallTypes(kAllTypes);

    MainTranslator = make<TTranslator>("MainTranslator");
    MainTranslator->TranslateIntoLanguage = qgEnglish;
    for (int i = 0; i < MainTranslator->LanguageCount(); ++i) {
        TLanguage& language = MainTranslator->Languages(i);
        language.Font = TFont {};
        language.Font.Name = "MS Sans Serif";
        language.Font.Height = -11;
        language.FontOverride = false;
    }

    makeTree();
    makeLinks();
    makeDialogs();
}

TForm1::~TForm1() = default;

TInstallFile* TForm1::addFile(
    TFileContainer* Directory, const std::string& IncludeFromDir, const std::string& FileName, int UniqueID)
{
    auto* file = new TInstallFile(this);
    file->SetLoading(true);
    // Every file carries a name of its own: net archives and the net file
    // list know a file by it.
    file->SetName("InstallFile" + std::to_string(UniqueID));
    loading_.push_back(file);
    file->SetContainer(Directory);
    file->SetInstallTypes(kAllTypes);
    file->SetArchiveFileType(standard<TpsContainerArchiveFile>(PathSpecifiers));
    file->SetDestDirType(standard<TpsContainerDestDir>(PathSpecifiers));
    file->SetDestDir("");
    file->SetIncludeFromDir(IncludeFromDir);
    file->SetFileName(FileName);
    file->SetDestName(FileName);
    file->SetUniqueID(UniqueID);
    return file;
}

void TForm1::makeTree()
{
    auto container = [this](auto* object, TInstallContainer* parent, const char* destDir, const char* description) {
        object->SetContainer(parent);
        object->SetInstallTypes(kAllTypes);
        object->SetArchiveFileType(standard<TpsContainerArchiveFile>(PathSpecifiers));
        object->SetDestDirType(standard<TpsContainerDestDir>(PathSpecifiers));
        object->SetDestDir(destDir);
        object->SetDescription(description);
    };
    // The database engine first: its libraries, language drivers and
    // configuration template go to the engine's folder.
    InstallBDE = make<TInstallBDE>("InstallBDE");
    InstallBDE->SetContainer(Install1);
    InstallBDE->Order = -1;
    InstallBDE->SetInstallTypes(kAllTypes);
    InstallBDE->SetArchiveFileType(standard<TpsContainerArchiveFile>(PathSpecifiers));
    InstallBDE->SetDestDirType(standard<TpsBDEDLL>(PathSpecifiers));
    InstallBDE->SetDestDir("");
    InstallBDE->SetDescription("Borland Database Engine");
    InstallBDE->LanguageDLL = "0009";
    InstallBDE->SaveFor16Bit = false;
    int engineId = 58;
    for (const std::string& name : EngineFileNames()) {
        TInstallFile* file = addFile(InstallBDE, str(kEngineSourceDir), name, engineId);
        engineId += EngineFiles.size() % 2 == 0 ? 2 : 1; // 58 to 79, with gaps
        file->Net = true;
        file->SetFileType(iftJustADLL);
        file->OverwriteMode = owVersionDate;
        file->UpdateDLLCounter = true;
        EngineFiles.push_back(file);
    }
    BDEConfigFile = addFile(InstallBDE, str(kLibraryDir), str(kEngineConfigTemplateName), 84);
    BDEConfigFile->SetName("BDEConfigFile");
    BDEConfigFile->Net = true;
    BDEConfigFile->SetDestName("idapi32.cnf");

    Group = make<TInstallGroup>("Group");
    container(Group, Install1, "\\Tavix Electronics", "Tavix Electronics");
    Directory = make<TInstallDirectory>("Directory");
    container(Directory, Group, "", "Tavix Electronics_1");
    Program = addFile(Directory, str(kProductDir), str(kProgramName), 1);
    SystemLibrary = addFile(Directory, str(kSystemLibraryDir), str(kSystemLibraryName), 2);
    SystemLibrary->SetDestDirType(standard<TpsSystem>(PathSpecifiers));
    SystemLibrary->SetFileType(iftSystemWideDLL);
    SystemLibrary->OverwriteMode = owVersionDate;
    SystemLibrary->UpdateDLLCounter = true;

    idMiscellaneous = make<TInstallDirectory>("idMiscellaneous");
    container(idMiscellaneous, Group, "", "Uninstall");
    ifUninstallEXE = make<TUninstallEXE>("ifUninstallEXE");
    ifUninstallEXE->SetContainer(idMiscellaneous);
    ifUninstallEXE->Order = -1;
    ifUninstallEXE->SetInstallTypes(kAllTypes);
    ifUninstallEXE->SetArchiveFileType(standard<TpsContainerArchiveFile>(PathSpecifiers));
    ifUninstallEXE->SetDestDirType(standard<TpsContainerDestDir>(PathSpecifiers));
    ifUninstallEXE->SetDestDir("");
    ifUninstallEXE->SetIncludeFromDir(str(kLibraryDir));
    ifUninstallEXE->SetFileName(str(kUninstallProgramName));
    ifUninstallEXE->SetDestName(str(kUninstallProgramName));
    ifUninstallEXE->SetUniqueID(0);

    int id = 3;
    Group1 = make<TInstallGroup>("Group1");
    container(Group1, Group, "\\Data", "Data");
    Directory1 = make<TInstallDirectory>("Directory1");
    container(Directory1, Group1, "", "Data");
    for (const std::string& name : TableFileNames()) {
        TInstallFile* table = addFile(Directory1, str(kProductDataDir), name, id++);
        // A reinstall must never wipe the repairs the user recorded.
        if (name.rfind("Reparos.", 0) == 0)
            table->OverwriteMode = owNever;
    }

    id = 17;
    Group2 = make<TInstallGroup>("Group2");
    container(Group2, Group, "\\Library", "Library");
    Directory2 = make<TInstallDirectory>("Directory2");
    container(Directory2, Group2, "", "Library");
    addFile(Directory2, str(kProductLibraryDir), "readme.rtf", id++);

    id = 19;
    Group3 = make<TInstallGroup>("Group3");
    container(Group3, Group, "\\Help", "Help");
    Directory3 = make<TInstallDirectory>("Directory3");
    container(Directory3, Group3, "", "Help");
    for (const std::string& page : HelpPageNames()) {
        TInstallFile* file = addFile(Directory3, str(kProductHelpDir), page, id++);
        if (!HelpStartPage)
            HelpStartPage = file;
    }

    id = 36;
    Group4 = make<TInstallGroup>("Group4");
    container(Group4, Group3, "\\Imagens", "Imagens");
    Directory4 = make<TInstallDirectory>("Directory4");
    container(Directory4, Group4, "", "Imagens");
    for (const std::string& picture : HelpPictureNames())
        addFile(Directory4, str(kProductPicturesDir), picture, id++);
}

void TForm1::makeLinks()
{
    MainFolder = make<TMainLinkGroup>("MainFolder");
    MainFolder->SetContainer(Install1);
    MainFolder->SetDestDirType(standard<TpsProgramMenu>(PathSpecifiers));
    MainFolder->SetDestDir("\\" + str(kProductName));
    auto link = [this](const char* name, const char* linkName, TInstallContainer* object) {
        auto* l = make<TInstallMainLink>(name);
        l->SetContainer(MainFolder);
        l->SetLinkName(linkName);
        l->HotKey = 0;
        l->Method = mtAutoDetect;
        l->SetObjectLocationType(standard<TpsObjectLink>(PathSpecifiers));
        l->SetObjectLink(object);
        return l;
    };
    InstallMainLink = link("InstallMainLink", "Uninstall Tavix Electronics - Demo.LNK", ifUninstallEXE);
    InstallMainLink1 = link("InstallMainLink1", "Tavix Electronics - Demo.LNK", Program);
    InstallMainLink2 = link("InstallMainLink2", "Tavix Electronics Help.LNK", HelpStartPage);
}

void TForm1::makeDialogs()
{
    // The six managers first: each page joins the first manager of its type.
    const TManagerType types[] = { dmBeforeInstall, dmAfterGoodInstall, dmAfterBadInstall, dmDuringCopyFiles,
        dmChangeDisk, dmReboot };
    const char* names[]
        = { "DialogManager", "DialogManager1", "DialogManager2", "DialogManager3", "DialogManager4", "DialogManager5" };
    for (int i = 0; i < 6; ++i) {
        auto* manager = make<TDialogManager>(names[i]);
        manager->SetContainer(Install1);
        manager->ManagerType = types[i];
        manager->RelativeLeftOffset = 0;
        manager->RelativeTopOffset = 0;
        DialogManagers.push_back(manager);
    }
    auto page = [this](auto* dialog, TInstallContainer* container, TDialogManager* manager, int order) {
        dialog->SetContainer(container);
        dialog->SetDialogManager(manager);
        dialog->Order = order;
        dialog->OverrideMainTranslator = false;
        return dialog;
    };
    WelcomeDlg = page(make<TWelcomeDlg>("WelcomeDlg"), Install1, DialogManagers[0], 10);
    LicenseDlg = page(make<TLicenseDlg>("LicenseDlg"), Install1, DialogManagers[0], 20);
    LicenseDlg->LicenseAgreement = LicenseAgreementLines();
    ReadmeDlg = page(make<TReadmeDlg>("ReadmeDlg"), Install1, DialogManagers[0], 30);
    ReadmeDlg->ReadmeText = ReadmeLines();
    SelectDestinationDlg = page(make<TSelectDestinationDlg>("SelectDestinationDlg"), Install1, DialogManagers[0], 45);
    SelectFolderDlg = page(make<TSelectFolderDlg>("SelectFolderDlg"), MainFolder, DialogManagers[0], 60);
    GoodInstallationDlg = page(make<TGoodInstallationDlg>("GoodInstallationDlg"), Install1, DialogManagers[1], 10);
    BadInstallationDlg = page(make<TBadInstallationDlg>("BadInstallationDlg"), Install1, DialogManagers[2], 10);
    CopyFileDlg = page(make<TCopyFileDlg>("CopyFileDlg"), Install1, DialogManagers[3], -1);
    CopyFileDlg->RelativeLeftOffset = 0;
    RebootDlg = page(make<TRebootDlg>("RebootDlg"), Install1, DialogManagers[5], 10);
    InstallStatusDlg = page(make<TInstallStatusDlg>("InstallStatusDlg"), Install1, nullptr, -1);
}

void TForm1::SetWindowState(TWindowState State)
{
    TForm::SetWindowState(State);
    if (OnWindowStateChanged)
        OnWindowStateChanged(State);
}

void TForm1::Refresh()
{
    TForm::Refresh();
    if (OnRefresh)
        OnRefresh();
}

void TForm1::Load()
{
    // Every component ends its loading before the engine, whose loading
    // starts the mode and so needs the finished tree.
    for (TComponent* component : loading_)
        if (component != Install1)
            component->Loaded();
    TForm::Loaded();
    Install1->Loaded();
}

} // namespace tavixsetup
