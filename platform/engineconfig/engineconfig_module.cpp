// The four entry points of the engine's configuration library. Each opens
// the emulated machine named in the environment, does its work and leaves
// every file it touches either as it was or completely rewritten.

#include "platform/engineconfig/engineconfig.h"
#include "platform/win/machine.h"
#include "platform/win/text.h"

#include <cstdlib>
#include <exception>
#include <memory>

#define ENGINECONFIG_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace engineconfig;

std::shared_ptr<win::Machine> openMachine()
{
    const char* root = std::getenv(kMachineRootVariable);
    if (!root || !*root)
        return nullptr;
    try {
        // Only an existing machine: a wrong root must not seed a new one.
        if (!std::filesystem::exists(std::filesystem::path(root) / "machine.ini"))
            return nullptr;
        return win::Machine::open(root);
    } catch (const std::exception&) {
        return nullptr;
    }
}

std::optional<Configuration> readConfig(win::Machine& machine, const std::string& path)
{
    std::string bytes;
    if (!machine.readFile(path, bytes))
        return std::nullopt;
    std::string error;
    return Parse(bytes, error);
}

std::string text(const char* s)
{
    return s ? std::string(s) : std::string();
}

} // namespace

ENGINECONFIG_EXPORT int MergeCfg(const char* NewConfig, const char* ExistingConfig, const char* TargetConfig,
    int Overwrite, int SaveFor16Bit, const char* LanguageCode)
{
    (void)SaveFor16Bit;
    try {
        auto machine = openMachine();
        if (!machine)
            return 1;
        const auto fresh = readConfig(*machine, text(NewConfig));
        if (!fresh)
            return 2;
        Configuration existing;
        if (text(ExistingConfig) != "***") {
            auto old = readConfig(*machine, text(ExistingConfig));
            if (!old)
                return 3;
            existing = std::move(*old);
        }
        const std::string target = text(TargetConfig);
        if (win::text::trim(target).empty())
            return 4;
        if (!Overwrite && machine->fileExists(target))
            return 5;
        if (!machine->writeFile(target, Format(Merge(*fresh, existing, text(LanguageCode)))))
            return 6;
        return 0;
    } catch (const std::exception&) {
        return 7;
    }
}

ENGINECONFIG_EXPORT int IntlConfig(const char* NewConfig, int SaveFor16Bit, const char* LanguageCode)
{
    (void)SaveFor16Bit;
    try {
        auto machine = openMachine();
        if (!machine)
            return 1;
        auto config = readConfig(*machine, text(NewConfig));
        if (!config)
            return 2;
        if (!text(LanguageCode).empty())
            config->Ensure("SYSTEM", "").SetValue("LANGUAGE", text(LanguageCode));
        return machine->writeFile(text(NewConfig), Format(*config)) ? 0 : 3;
    } catch (const std::exception&) {
        return 4;
    }
}

// The 16-bit programs find the configuration through WIN.INI: [IDAPI]
// names it, and [ODAPI] too when it named another file.
ENGINECONFIG_EXPORT int FixMerge(const char* TargetConfig, int Differs, int SaveFor16Bit, const char* LanguageCode)
{
    (void)LanguageCode;
    try {
        auto machine = openMachine();
        if (!machine)
            return 1;
        const std::string target = text(TargetConfig);
        if (!readConfig(*machine, target))
            return 2;
        if (!SaveFor16Bit)
            return 0;
        if (!machine->writePrivateProfileString("IDAPI", std::string("CONFIGFILE01"), target, "WIN.INI"))
            return 3;
        if (Differs && !machine->writePrivateProfileString("ODAPI", std::string("CONFIGFILE01"), target, "WIN.INI"))
            return 4;
        return 0;
    } catch (const std::exception&) {
        return 5;
    }
}

ENGINECONFIG_EXPORT int IncrementIDAPIUseCount()
{
    try {
        auto machine = openMachine();
        if (!machine)
            return 1;
        win::Registry& registry = machine->registry();
        const uint32_t count = registry.readDWord(win::RootKey::LocalMachine, kEngineKey, kUseCountValue, 0);
        return registry.writeDWord(win::RootKey::LocalMachine, kEngineKey, kUseCountValue, count + 1) == 0 ? 0 : 2;
    } catch (const std::exception&) {
        return 3;
    }
}
