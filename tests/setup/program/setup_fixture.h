#pragma once

// The build machine laid out by the seeder in a temporary folder.

#include "platform/ui/message_service.h"
#include "platform/win/machine.h"
#include "platform/win/program.h"
#include "setup/installlib/application.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installlibrary.h"
#include "setup/tavixsetup/buildlayout.h"
#include "setup/tavixsetup/form1.h"
#include "tests/support/temp_dir.h"
#include "tools/buildmachine.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace setuptest {

inline std::string str(std::string_view s)
{
    return std::string(s);
}

// Every file below a machine's drive C with its bytes (folders with an
// empty text and a trailing "/"), keyed by the path below the drive.
inline std::map<std::string, std::string> driveFiles(const win::Machine& machine)
{
    std::map<std::string, std::string> out;
    const std::filesystem::path drive = machine.root() / "drives" / "C";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(drive)) {
        const std::string relative = std::filesystem::relative(entry.path(), drive).string();
        if (entry.is_regular_file())
            out[relative] = tavix::testing::readFile(entry.path());
        else if (entry.is_directory())
            out[relative + "/"] = "";
    }
    return out;
}

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        build = win::Machine::open(dir.path() / "build");
        win::Machine::setCurrent(build);
        sampledata::seedBuildMachine(*build,
            { TAVIX_HOST_SETUP, TAVIX_HOST_LOADER, TAVIX_HOST_UNINSTALL, TAVIX_HOST_PRODUCT, TAVIX_ENGINECONFIG_MODULE });
        win::Machine::setCurrent(nullptr);
    }
    void TearDown() override
    {
        ui::MessageService::setCurrent(nullptr);
        if (installlib::InstallLibraryStarted())
            installlib::InstallLibraryShutdown();
        installlib::Application().Reset();
        win::Machine::setCurrent(nullptr);
    }

    std::string read(win::Machine& machine, const std::string& path)
    {
        std::string bytes;
        EXPECT_TRUE(machine.readFile(path, bytes)) << path;
        return bytes;
    }

    tavix::testing::TempDir dir { "tavixsetup" };
    std::shared_ptr<win::Machine> build;
};

} // namespace setuptest
