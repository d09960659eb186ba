#include "setup/installlib/grabcall.h"

#include "setup/installlib/typecodes.h"

namespace installlib {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TGrabCall, TInstallObject)

TGrabCall::TGrabCall(TComponent* Owner)
    : TInstallObject(Owner)
{
    ProcessedByContainer = 0;
}

int TGrabCall::RegisteredType()
{
    return tcNeverInstalled;
}

void TGrabCall::ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO)
{
    if (OnCall)
        OnCall(Container, Code, PO);
}

} // namespace installlib
