#pragma once

// TInstallDirectory: a plain directory of the product, a file container
// that holds install files and further directories.

#include "setup/installlib/filecontainer.h"

namespace installlib {

class TInstallDirectory : public TFileContainer {
public:
    INSTALLLIB_CLASS_INFO()
    // Processed by its container's walk and included.
    explicit TInstallDirectory(TComponent* Owner = nullptr);
    // Made in design mode its Description is "Install Directory " and the
    // number of registered file containers.
    void AfterConstruction() override;

    // Frees, last to first, every own install file whose source file does
    // not exist.
    virtual void RemoveMissingFiles();
};

// Registers TInstallGroup and TInstallDirectory by name (library start-up).
void RegisterFileContainerClasses();

} // namespace installlib
