#include "tools/buildmachine.h"

#include "platform/win/program.h"
#include "platform/win/registry.h"
#include "platform/win/version_resource.h"
#include "setup/installlib/buildmode.h"
#include "setup/tavixsetup/buildlayout.h"
#include "setup/tavixsetup/form1.h"
#include "tools/sampleproduct.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace sampledata {

namespace {

using namespace tavixsetup;

std::string str(std::string_view s)
{
    return std::string(s);
}

void folder(win::Machine& machine, std::string_view path)
{
    if (!machine.forceDirectories(str(path)))
        throw std::runtime_error("Cannot create " + str(path) + ": " + win::errorText(win::lastError()));
}

void file(win::Machine& machine, const std::string& path, const std::string& bytes)
{
    if (!machine.writeFile(path, bytes))
        throw std::runtime_error("Cannot write " + path + ": " + win::errorText(win::lastError()));
}

void program(win::Machine& machine, const std::string& path, const std::filesystem::path& host)
{
    if (host.empty() || !host.is_absolute())
        throw std::runtime_error("No host program for " + path);
    file(machine, path, win::programFileBytes(host));
}

void registryString(win::Machine& machine, win::RootKey root, std::string_view key, std::string_view name,
    std::string_view value)
{
    win::RegKey opened;
    if (machine.registry().createKey(root, str(key), opened) != win::ERROR_SUCCESS
        || machine.registry().setValue(opened, win::RegValue::string(str(name), str(value))) != win::ERROR_SUCCESS)
        throw std::runtime_error("Cannot write the registry value " + str(key) + "\\" + str(name));
}

bool readHost(const std::filesystem::path& path, std::string& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

} // namespace

static std::string versionedImage(const uint16_t (&version)[4], const std::string& description)
{
    win::VersionSpec stamp;
    std::copy(std::begin(version), std::end(version), stamp.fileVersion);
    std::copy(std::begin(version), std::end(version), stamp.productVersion);
    stamp.fileType = 2; // a library
    const std::string text = std::to_string(version[0]) + "." + std::to_string(version[1]) + "."
        + std::to_string(version[2]) + "." + std::to_string(version[3]);
    stamp.stringTables.push_back({ "040904E4",
        { { "CompanyName", "Tavixsoft" }, { "FileDescription", description }, { "FileVersion", text },
            { "ProductVersion", text } } });
    return win::buildPeImage(win::buildVersionBlock(stamp));
}

std::string engineFileImage(const std::string& name)
{
    return versionedImage({ 4, 0, 0, 1 }, "Database engine: " + name);
}

std::string engineConfigTemplate()
{
    return "ENGINE CONFIGURATION 1\r\n"
           "SYSTEM\r\n"
           "  VERSION=4.0\r\n"
           "  LOCAL SHARE=FALSE\r\n"
           "DRIVER PARADOX\r\n"
           "  LEVEL=4\r\n"
           "  BLOCK SIZE=2048\r\n"
           "  NET DIR=C:\\\r\n";
}

std::string systemLibraryImage()
{
    return versionedImage({ 4, 72, 3110, 0 }, "Shell light-weight utility library");
}

void seedBuildMachine(win::Machine& machine, const BuildMachinePrograms& programs)
{
    // The setup program and what its build reads beside it.
    folder(machine, kSetupDir);
    program(machine, str(kSetupDir) + "\\" + str(kSetupProgramName), programs.setup);
    file(machine, str(kSetupDir) + "\\BUILD.INF", str(kBuildDirectory) + "\r\n");

    // The install library's folder, found through the build tools' search path.
    folder(machine, kLibraryDir);
    file(machine, str(kLibraryDir) + "\\" + str(installlib::kQuorleMarkerFile),
        "Install library folder: the loader, the uninstall program and the engine's configuration files.\r\n");
    program(machine, str(kLibraryDir) + "\\" + str(installlib::kLoaderProgram), programs.loader);
    program(machine, str(kLibraryDir) + "\\" + str(kUninstallProgramName), programs.uninstall);
    registryString(machine, win::RootKey::CurrentUser, installlib::kBuildToolsLibraryKey,
        installlib::kBuildToolsSearchPathValue, kLibrarySearchPath);
    registryString(machine, win::RootKey::LocalMachine, installlib::kBuildToolsKey, installlib::kBuildToolsRootValue,
        kBuildToolsRoot);
    // The engine's configuration library and template, and the engine
    // itself: its files and the registry value that names its folder.
    std::string module;
    if (programs.engineConfigLibrary.empty() || !readHost(programs.engineConfigLibrary, module))
        throw std::runtime_error("Cannot read the engine's configuration library " + programs.engineConfigLibrary.string());
    file(machine, str(kLibraryDir) + "\\" + str(kEngineConfigLibraryName), module);
    file(machine, str(kLibraryDir) + "\\" + str(kEngineConfigTemplateName), engineConfigTemplate());
    folder(machine, kEngineSourceDir);
    for (const std::string& name : EngineFileNames())
        file(machine, str(kEngineSourceDir) + "\\" + name, engineFileImage(name));
    registryString(machine, win::RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", "DLLPATH",
        kEngineSourceDir);

    // The product's source folders, made by the sample tool.
    folder(machine, kProductDir);
    std::filesystem::path productHost;
    if (!machine.resolve(str(kProductDir), productHost))
        throw std::runtime_error("Cannot resolve " + str(kProductDir));
    writeSampleProduct(productHost);
    program(machine, str(kProductDir) + "\\" + str(kProgramName), programs.product);

    folder(machine, kSystemLibraryDir);
    file(machine, str(kSystemLibraryDir) + "\\" + str(kSystemLibraryName), systemLibraryImage());
}

} // namespace sampledata
