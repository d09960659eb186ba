#include "setup/installlib/installgroup.h"

#include "setup/installlib/typecodes.h"

namespace installlib {

INSTALLLIB_DEFINE_CLASS(TCustomInstallGroup, TFileContainer)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TInstallGroup, TCustomInstallGroup)

TCustomInstallGroup::TCustomInstallGroup(TComponent* Owner)
    : TFileContainer(Owner)
{
}

int TCustomInstallGroup::RegisteredType()
{
    return tcInstallGroup;
}

void TCustomInstallGroup::SetContainer(TInstallContainer* Value)
{
    if (!Value)
        Value = InstallEngineContainer();
    if (Value && !ObjectIs(Value, "TCustomInstall") && !ObjectIs(Value, "TCustomInstallGroup"))
        throw IEInstallGroup(
            "A TInstallGroup component can only be contained by a TInstall, or another TInstallGroup component");
    TFileContainer::SetContainer(Value);
}

} // namespace installlib
