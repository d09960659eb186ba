#pragma once

// The install objects' error classes. Each translates its message (see
// IException), so the code passes the English text.

#include "setup/installlib/exceptions.h"

namespace installlib {

#define INSTALLLIB_ERROR_CLASS(Name, Base)                                                                             \
    class Name : public Base {                                                                                         \
    public:                                                                                                            \
        using Base::Base;                                                                                              \
    };

INSTALLLIB_ERROR_CLASS(IEPathSpecifier, IException)
INSTALLLIB_ERROR_CLASS(IEPathSpecifierList, IException)
INSTALLLIB_ERROR_CLASS(IEInstallContainer, IException)
INSTALLLIB_ERROR_CLASS(IEContainerList, IException)
INSTALLLIB_ERROR_CLASS(IECustomInstallFileList, IException)
INSTALLLIB_ERROR_CLASS(IEFileContainer, IException)
INSTALLLIB_ERROR_CLASS(IEInstallGroup, IException)
INSTALLLIB_ERROR_CLASS(IEInstall, IException)

#undef INSTALLLIB_ERROR_CLASS

} // namespace installlib
