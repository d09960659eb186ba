#pragma once

#include "machine_fixture.h"
#include "platform/win/dosdate.h"
#include "setup/installlib/qrlecompress.h"

#include <cstdint>
#include <string>
#include <vector>

// Deterministic file contents: a mix of text runs and noise, so that every
// level really compresses something and the noise keeps streams long.
inline std::string mixedBytes(std::size_t size, std::uint32_t seed)
{
    std::string s;
    s.reserve(size);
    std::uint32_t x = seed * 2654435761u + 1;
    static const char text[] = "Transistor BC548 NPN 30V 100mA TO-92; diode 1N4007 1000V 1A DO-41. ";
    while (s.size() < size) {
        x = x * 1664525u + 1013904223u;
        if ((x >> 28) < 9) {
            std::size_t n = std::min<std::size_t>(size - s.size(), 16 + (x >> 20) % 48);
            for (std::size_t i = 0; i < n; ++i)
                s.push_back(text[(i + (x >> 8)) % (sizeof text - 1)]);
        } else {
            std::size_t n = std::min<std::size_t>(size - s.size(), 8 + (x >> 24) % 32);
            for (std::size_t i = 0; i < n; ++i) {
                x = x * 1664525u + 1013904223u;
                s.push_back(static_cast<char>(x >> 24));
            }
        }
    }
    return s;
}

// Noise only: stored almost 1:1, for volume sizes that are easy to predict.
inline std::string noiseBytes(std::size_t size, std::uint32_t seed)
{
    std::string s(size, '\0');
    std::uint32_t x = seed + 7;
    for (char& c : s) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

class ArchiveTest : public MachineTest {
protected:
    void put(const std::string& path, const std::string& bytes)
    {
        machine->forceDirectories(path.substr(0, path.rfind('\\')));
        ASSERT_TRUE(machine->writeFile(path, bytes)) << path;
    }
    std::string get(const std::string& path)
    {
        std::string bytes;
        EXPECT_TRUE(machine->readFile(path, bytes)) << path;
        return bytes;
    }
    void stamp(const std::string& path, int year, int month, int day, int hour, int minute, int second)
    {
        rtl::DateParts p;
        p.year = year;
        p.month = month;
        p.day = day;
        p.hour = hour;
        p.minute = minute;
        p.second = second;
        ASSERT_TRUE(machine->setFileDate(path, *win::packDosDateTime(p)));
    }
    bool pack(installlib::TQrleCompress& archive, const std::string& file, std::vector<std::string> lines,
        bool append = false, int id = 0)
    {
        archive.SetCompressedFile(file);
        archive.SetFilesToProcess(lines);
        return archive.AddFiles(append, id);
    }
    bool extract(installlib::TQrleCompress& archive, const std::string& directory, std::vector<std::string> members)
    {
        archive.ExtractDirectory = directory;
        archive.SetFilesToProcess(members);
        return archive.ExtractFiles();
    }
    // Names in a directory of the machine (files and folders).
    std::vector<std::string> listing(const std::string& directory)
    {
        std::vector<std::string> names;
        for (const win::FindData& f : machine->findFiles(directory + "\\*"))
            names.push_back(f.name);
        return names;
    }
};
