#pragma once

// The database-engine installer on a fresh emulated machine: an engine
// whose setup program lies in C:\SETUP beside the configuration library,
// the engine's files made as versioned PE images in C:\SRC\BDE and packed
// into C:\SRC\files.1, and readers for the registry values and the
// configuration the install leaves.

#include "installfile_fixture.h"

#include "platform/engineconfig/engineconfig.h"
#include "setup/installlib/installbde.h"
#include "setup/installlib/pathspecifiers.h"
#include "setup/installlib/typecodes.h"

#include <fstream>
#include <sstream>

namespace bdetest {

using namespace installlib;
using installfiletest::TFileTestInstall;

inline constexpr const char* kEngineSource = "C:\\SRC\\BDE";
inline constexpr const char* kBDEArchive = "C:\\SRC\\files.1";
inline constexpr const char* kDefaultEngineDir = "C:\\Program Files\\Borland\\Common Files\\BDE";
inline constexpr const char* kTemplateText = "ENGINE CONFIGURATION 1\r\n"
                                             "SYSTEM\r\n"
                                             "  VERSION=5.0\r\n"
                                             "DRIVER PARADOX\r\n"
                                             "  LEVEL=7\r\n"
                                             "  BLOCK SIZE=4096\r\n";

class BDETest : public installfiletest::InstallFileTest {
protected:
    void SetUp() override
    {
        InstallFileTest::SetUp();
        RegisterInstallBDEClasses();
        installModule(TAVIX_ENGINECONFIG_MODULE);
        ASSERT_TRUE(machine->forceDirectories(kEngineSource));
    }

    // The host library as IDAPINST.DLL beside the setup program.
    void installModule(const char* hostPath)
    {
        std::ifstream in(hostPath, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        ASSERT_TRUE(machine->forceDirectories("C:\\SETUP"));
        ASSERT_TRUE(machine->writeFile("C:\\SETUP\\IDAPINST.DLL", bytes.str()));
        machine->setModuleFileName("C:\\SETUP\\setup.exe");
    }

    // The engine with an installer holding the template and the named
    // engine files, all packed into the archive.
    TInstallBDE& makeInstaller(const std::vector<std::string>& names = { "IDAPI32.DLL", "IDPDX32.DLL", "USA.BLL" })
    {
        makeEngine();
        bde = new TInstallBDE(form.get());
        bde->SetName("InstallBDE1");
        bde->SetContainer(engine);
        std::vector<TInstallFile*> files;
        for (const auto& name : names) {
            EXPECT_TRUE(machine->writeFile(std::string(kEngineSource) + "\\" + name, versioned("5.0.1.0", name)));
            files.push_back(engineFile(name, name));
        }
        EXPECT_TRUE(machine->writeFile(std::string(kEngineSource) + "\\idapi32_50.cnf", kTemplateText));
        TInstallFile* cnf = engineFile("idapi32_50.cnf", "BDEConfigFile");
        cnf->SetDestName("idapi32.cnf");
        files.push_back(cnf);
        pack(files);
        return *bde;
    }

    TInstallFile* engineFile(const std::string& name, const std::string& component)
    {
        auto* file = new TInstallFile(form.get());
        SetUniqueName(*file, component.find('.') == std::string::npos ? component : "BDEFile");
        file->SetContainer(bde);
        file->SetIncludeFromDir(kEngineSource);
        file->SetFileName(name);
        file->SetArchiveFileType(nullptr);
        file->SetArchiveFile(kBDEArchive);
        return file;
    }

    // The run's start and the installer's walk, as the engine does them.
    void install()
    {
        engine->Broadcast(icRunBegins, nullptr);
        bde->ProcessContainer();
    }

    std::string engineValue(const std::string& name)
    {
        return registry().readString(win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", name, "<none>");
    }

    engineconfig::Configuration config(const std::string& path)
    {
        std::string error;
        auto parsed = engineconfig::Parse(read(path), error);
        EXPECT_TRUE(parsed.has_value()) << path << ": " << error;
        return parsed.value_or(engineconfig::Configuration {});
    }

    // An existing engine's configuration with two aliases at path, named by CONFIGFILE01.
    void existingEngine(const std::string& dllPath, const std::string& configPath)
    {
        ASSERT_TRUE(machine->forceDirectories(configPath.substr(0, configPath.find_last_of('\\'))));
        ASSERT_TRUE(machine->writeFile(configPath,
            "ENGINE CONFIGURATION 1\r\nSYSTEM\r\n  VERSION=4.0\r\nDRIVER PARADOX\r\n  LEVEL=4\r\n"
            "ALIAS PARTS\r\n  PATH=C:\\Parts\r\nALIAS REPAIRS\r\n  PATH=C:\\Repairs\r\n"));
        registry().writeString(win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "DLLPATH", dllPath);
        registry().writeString(
            win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "CONFIGFILE01", configPath);
    }

    TInstallBDE* bde = nullptr;
};

} // namespace bdetest
