#include "setup/installlib/installlibrary.h"

#include "setup/installlib/application.h"
#include "setup/installlib/dialogmanager.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installbde.h"
#include "setup/installlib/installdirectory.h"
#include "setup/installlib/installfile.h"
#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/programmanager.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/shelllinks.h"
#include "setup/installlib/uninstallexe.h"

#include <memory>

namespace installlib {

namespace {

struct TLibraryGlobals {
    TUniqueIdTable uniqueIds {};
    TCustomInstallFileList retryList;
    std::vector<TComponent*> forms;
    TCustomInstallFileList installFiles;
    std::unique_ptr<TQrleCompress> archive = std::make_unique<TQrleCompress>();
    TInstallContainerList containers;
    TPathSpecifierList specifiers;
    TStandardPathSpecList standardSpecifiers;
};

std::unique_ptr<TLibraryGlobals>& globals()
{
    static std::unique_ptr<TLibraryGlobals> instance;
    return instance;
}

TLibraryGlobals& started()
{
    auto& g = globals();
    if (!g)
        throw EQuorleAbnormal("The install library has not been started");
    return *g;
}

} // namespace

void InstallLibraryStartup()
{
    if (globals())
        return;
    globals() = std::make_unique<TLibraryGlobals>();
    SetNetUserAbort(false); // a Cancel belongs to the run it was pressed in
    RegisterPathSpecifierClasses();
    RegisterFormClasses();
    RegisterInstallClasses();
    RegisterFileContainerClasses();
    RegisterInstallFileClasses();
    RegisterDialogClasses();
    RegisterUninstallClasses();
    RegisterShellLinkClasses();
    RegisterInstallBDEClasses();
}

void InstallLibraryShutdown()
{
    // The Program Manager conversation belongs to the machine of this run.
    FreeProgramManager();
    globals().reset();
}

bool InstallLibraryStarted()
{
    return globals() != nullptr;
}

TUniqueIdTable& UniqueIdTable()
{
    return started().uniqueIds;
}
TCustomInstallFileList& SelfRegisterRetryList()
{
    return started().retryList;
}
std::vector<TComponent*>& LibraryForms()
{
    return started().forms;
}
TCustomInstallFileList& InstallFileList()
{
    return started().installFiles;
}
TQrleCompress& SharedArchive()
{
    return *started().archive;
}
TInstallContainerList& InstallContainerList()
{
    return started().containers;
}
TPathSpecifierList& PathSpecifierList()
{
    return started().specifiers;
}
TStandardPathSpecList& StandardPathSpecList()
{
    return started().standardSpecifiers;
}

TInstallContainerList* InstallContainerListIfStarted()
{
    auto& g = globals();
    return g ? &g->containers : nullptr;
}

TPathSpecifierList* PathSpecifierListIfStarted()
{
    auto& g = globals();
    return g ? &g->specifiers : nullptr;
}

TStandardPathSpecList* StandardPathSpecListIfStarted()
{
    auto& g = globals();
    return g ? &g->standardSpecifiers : nullptr;
}

} // namespace installlib
