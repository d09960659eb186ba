#pragma once

// The database engine's configuration library as this system has it: a
// small library of our own that the install library loads from the emulated
// machine under its Windows name (IDAPINST.DLL) and calls through four entry
// points with C linkage. The library opens the same emulated machine, whose
// root the caller passes in the environment variable named by
// kMachineRootVariable, and keeps the engine's configuration in a text file
// of its own:
//
//   ENGINE CONFIGURATION 1
//   SYSTEM
//     LANGUAGE=0009
//   DRIVER PARADOX
//     NET DIR=C:\NET
//   ALIAS PARTS
//     DRIVER=PARADOX
//     PATH=C:\Program Files\Parts\Data
//
// The first line names the format. A block starts at the line's first
// column with its kind (SYSTEM, DRIVER or ALIAS; drivers and aliases carry a
// name); its values follow, indented by two blanks, as name=value. Blank
// lines and lines starting with ";" are comments. Kinds, names and value
// names match without case.
//
// Merging a configuration template into an existing configuration keeps
// every existing alias and every existing system and driver value as it is;
// the template adds the blocks and values the existing configuration lacks,
// and the language code of the call becomes the system's LANGUAGE.
//
// Every file the library writes goes to a temporary file first and is
// renamed into place, so a failure leaves the old file as it was.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace engineconfig {

inline constexpr const char* kMachineRootVariable = "TAVIX_WINROOT";
inline constexpr const char* kFormatLine = "ENGINE CONFIGURATION 1";
inline constexpr const char* kEngineKey = "SOFTWARE\\Borland\\Database Engine";
// The count of products that use the engine (a double word under kEngineKey).
inline constexpr const char* kUseCountValue = "UseCount";

// The four entry points. Strings are NUL-terminated; a nonzero result of
// MergeCfg and FixMerge means failure.
extern "C" {
using MergeCfgProc = int (*)(const char* NewConfig, const char* ExistingConfig, const char* TargetConfig, int Overwrite,
    int SaveFor16Bit, const char* LanguageCode);
using IntlConfigProc = int (*)(const char* NewConfig, int SaveFor16Bit, const char* LanguageCode);
using FixMergeProc = int (*)(const char* TargetConfig, int Differs, int SaveFor16Bit, const char* LanguageCode);
using IncrementUseCountProc = int (*)();
}

struct Block {
    std::string Kind; // "SYSTEM", "DRIVER" or "ALIAS", upper case
    std::string Name; // empty for SYSTEM
    std::vector<std::pair<std::string, std::string>> Values;

    const std::string* Value(const std::string& ValueName) const;
    void SetValue(const std::string& ValueName, const std::string& Text);
};

struct Configuration {
    std::vector<Block> Blocks;

    Block* Find(const std::string& Kind, const std::string& Name);
    const Block* Find(const std::string& Kind, const std::string& Name) const;
    // The block, appended when missing.
    Block& Ensure(const std::string& Kind, const std::string& Name);
};

// Reads the text form; on failure Error names the line and what is wrong.
std::optional<Configuration> Parse(const std::string& Text, std::string& Error);
std::string Format(const Configuration& Config);

// Existing with what Template adds (see above), LANGUAGE set to LanguageCode
// when it is not empty.
Configuration Merge(const Configuration& Template, const Configuration& Existing, const std::string& LanguageCode);

} // namespace engineconfig
