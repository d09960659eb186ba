#pragma once

// TGrabCall: a hook object. Placed under a container it hears every code the
// container broadcasts and passes it to OnCall, so a script or another
// component (the database-engine installer, whose type code broadcasts never
// reach) can follow a run without being a broadcast receiver itself. It is
// never installed by its container's walk.
//
//   auto* hook = new TGrabCall(form);
//   hook->SetContainer(engine);
//   hook->OnCall = [](TInstallContainer* C, int Code, TObject* PO) { ... };
//
// The parameter object belongs to the sender and lives only for the call.

#include "setup/installlib/installcontainer.h"

#include <functional>

namespace installlib {

using TExternalComponentCall = std::function<void(TInstallContainer* Container, int ComponentCall, TObject* PO)>;

class TGrabCall : public TInstallObject {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TGrabCall(TComponent* Owner = nullptr);

    TExternalComponentCall OnCall;

    // 9000: never installed, but a broadcast receiver.
    int RegisteredType() override;
    void ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO) override;
};

} // namespace installlib
