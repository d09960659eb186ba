#include "tests/setup/installlib/install_tree_fixture.h"

namespace treetest {

INSTALLLIB_DEFINE_CLASS(TFileRelated, TInstallObject)
INSTALLLIB_DEFINE_CLASS(TFileContainer, TFileRelated)
INSTALLLIB_DEFINE_CLASS(TCustomInstallGroup, TFileContainer)
INSTALLLIB_DEFINE_CLASS(TInstallBDE, TFileContainer)
INSTALLLIB_DEFINE_CLASS(TCustomInstallFile, TFileRelated)
INSTALLLIB_DEFINE_CLASS(TDialogStandIn, TInstallObject)
INSTALLLIB_DEFINE_CLASS(TEngine, TFileContainer)

} // namespace treetest
