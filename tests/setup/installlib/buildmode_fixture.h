#pragma once

// A build machine: product sources in C:\SRC, the install library's
// directory found through the build tools' library search path, the setup
// program in C:\DEV, and the install script (an engine with one directory
// of three files) made again for every start of the program.

#include "engine_fixture.h"

#include "setup/installlib/buildmode.h"
#include "setup/installlib/installfile.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/registryroutines.h"

#include <string>
#include <vector>

namespace buildtest {

using namespace enginetest;

// Bytes that do not pack, so that sizes on the disks are predictable.
inline std::string noise(size_t size, unsigned seed)
{
    std::string s(size, '\0');
    unsigned x = seed * 2654435761u + 7;
    for (char& c : s) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

inline const std::string kProgram = "C:\\DEV\\setup.exe";
inline const std::string kQuorleDir = "C:\\Tools\\Quorle";
inline const std::string kLoader = "C:\\Tools\\Quorle\\QuorleLoadProgram.exe";
inline const std::string kOut = "C:\\OUT";
inline const std::string kDest = "C:\\Program Files\\Tavix";

class BuildTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        InstallRunState() = {};
        ASSERT_TRUE(machine->forceDirectories("C:\\SRC"));
        ASSERT_TRUE(machine->forceDirectories(kQuorleDir));
        ASSERT_TRUE(machine->writeFile(kQuorleDir + "\\Q32V40.TXT", "marker"));
        loader = noise(1000, 9);
        ASSERT_TRUE(machine->writeFile(kLoader, loader));
        RegistryWriteString(2, kBuildToolsLibraryKey, kBuildToolsSearchPathValue, "C:\\Nowhere;$(BUILDROOT)\\Quorle");
        RegistryWriteString(4, kBuildToolsKey, kBuildToolsRootValue, "C:\\Tools\\");
        sources = { { "C:\\SRC\\tavixcat.exe", noise(9000, 1) }, { "C:\\SRC\\parts.db", noise(7000, 2) },
            { "C:\\SRC\\readme.rtf", std::string(3000, 'r') } };
        for (const auto& [path, bytes] : sources)
            ASSERT_TRUE(machine->writeFile(path, bytes));
        ASSERT_TRUE(machine->writeFile("C:\\SRC\\presetup.dll", "presetup library"));
        program = noise(2000, 3);
        startAs(kProgram, {});
        ASSERT_TRUE(machine->writeFile(kProgram, program));
    }
    void TearDown() override
    {
        InstallRunState() = {};
        EngineTest::TearDown();
    }

    // The install script as every start of the program makes it.
    void buildScript(bool withFiles = true)
    {
        engine = new TInstall(form.get());
        engine->SetName("Install1");
        auto* directory = new TFileContainer(form.get());
        directory->SetName("Dir1");
        directory->SetContainer(engine);
        directory->SetDestDirType(nullptr);
        directory->SetDestDir(kDest);
        files.clear();
        if (!withFiles)
            return;
        int n = 1;
        for (const auto& [path, bytes] : sources) {
            auto* file = new TInstallFile(form.get(), path, directory);
            file->SetName("F" + std::to_string(n++));
            files.push_back(file);
        }
    }

    // The program ends and is started again: a new form, library and
    // engine state; the machine stays as it is.
    void newProgram(const std::string& path, std::vector<std::string> arguments)
    {
        form.reset();
        engine = nullptr;
        files.clear();
        Application().Reset();
        InstallLibraryShutdown();
        InstallRunState() = {};
        InstallLibraryStartup();
        form = std::make_unique<TForm>();
        form->SetName("MainForm");
        Application().MainForm = form.get();
        startAs(path, std::move(arguments));
    }

    std::string read(const std::string& path)
    {
        std::string bytes;
        EXPECT_TRUE(machine->readFile(path, bytes)) << path;
        return bytes;
    }

    // The source paths of an archive's members, in order.
    std::vector<std::string> members(const std::string& archive, std::int32_t offset = 0)
    {
        TQrleCompress reader;
        reader.Offset = offset;
        reader.SetCompressedFile(archive);
        std::vector<std::string> names;
        for (int i = 0; i < reader.MemberCount(); ++i)
            names.push_back(reader.Headers().GetFileHeaders(i).SourcePath);
        return names;
    }

    // Extracts every product file from the archive into directory and
    // checks each against its source.
    void expectProductIn(const std::string& archive, std::int32_t offset, const std::string& directory)
    {
        TQrleCompress reader;
        reader.Offset = offset;
        reader.SetCompressedFile(archive);
        reader.ExtractDirectory = directory;
        std::vector<std::string> names;
        for (const auto& entry : sources)
            names.push_back(entry.first);
        reader.SetFilesToProcess(names);
        ASSERT_TRUE(machine->forceDirectories(directory));
        ASSERT_TRUE(reader.ExtractFiles());
        for (const auto& [path, bytes] : sources)
            EXPECT_TRUE(read(directory + path.substr(path.find_last_of('\\'))) == bytes) << path;
    }

    bool askedText(const std::string& text) const
    {
        for (const auto& asked : messages.asked())
            if (asked.text == text)
                return true;
        return false;
    }

    TInstall* engine = nullptr;
    std::vector<TInstallFile*> files;
    std::vector<std::pair<std::string, std::string>> sources;
    std::string loader;
    std::string program;
};

} // namespace buildtest
