#include "setup/installlib/installdirectory.h"

#include "platform/win/machine.h"
#include "setup/installlib/installgroup.h"
#include "setup/installlib/installlibrary.h"

#include <string>

namespace installlib {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TInstallDirectory, TFileContainer)

TInstallDirectory::TInstallDirectory(TComponent* Owner)
    : TFileContainer(Owner)
{
    ProcessedByContainer = 1;
    Include = true;
}

void TInstallDirectory::AfterConstruction()
{
    TFileContainer::AfterConstruction();
    if (IsDesigning()) {
        int containers = 0;
        if (TInstallContainerList* registry = InstallContainerListIfStarted())
            for (TInstallContainer* container : registry->All())
                if (ObjectIs(container, "TFileContainer"))
                    ++containers;
        SetDescription("Install Directory " + std::to_string(containers));
    }
}

void RegisterFileContainerClasses()
{
    RegisterClass(TInstallGroup::StaticClass());
    RegisterClass(TInstallDirectory::StaticClass());
}

void TInstallDirectory::RemoveMissingFiles()
{
    win::Machine& machine = win::Machine::current();
    for (int i = InstallFileCount() - 1; i >= 0; --i) {
        TFileRelated* file = InstallFiles(i);
        if (!machine.fileExists(file->SourcePath()))
            delete file;
    }
}

} // namespace installlib
