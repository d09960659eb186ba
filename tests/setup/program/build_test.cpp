#include "setup_fixture.h"

#include "setup/installlib/buildmode.h"
#include "setup/installlib/qrlecompress.h"

using namespace setuptest;

TEST_F(SetupTest, BuildWritesTheSelfExtractingSetup)
{
    buildSetup();
    win::Machine::setCurrent(build);
    EXPECT_TRUE(build->fileExists("C:\\build\\setup.exe"));
    EXPECT_TRUE(build->fileExists("C:\\build\\setup.1"));
    EXPECT_TRUE(build->fileExists("C:\\build\\files.1"));
    win::Machine::setCurrent(nullptr);
}
