#pragma once

// Seeds for the libFuzzer targets. Each target makes a few small inputs with
// the project's own writers; run with TAVIX_FUZZ_SEEDS=<folder> it writes
// them there as files and exits before fuzzing, so that scripts/fuzz.sh can
// hand the folder to the target as its corpus.
//
//   extern "C" int LLVMFuzzerInitialize(int*, char***)
//   {
//       tavix::fuzzing::writeSeedsIfAsked([] { return std::vector<tavix::fuzzing::Seed> { ... }; });
//       return 0;
//   }

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace tavix::fuzzing {

struct Seed {
    std::string name;
    std::string bytes;
};

// A fresh folder for the files a target writes, in memory (/dev/shm) where
// the machine has it: a target that writes files runs many times faster
// there than on a disk that syncs.
inline std::filesystem::path scratchFolder(const std::string& prefix)
{
    std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/" + prefix + "_XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("fuzz: mkdtemp");
        std::exit(1);
    }
    return pattern;
}

// The scratch folder of one run, made at its first use and removed at exit.
struct TScratchFolder {
    explicit TScratchFolder(const std::string& prefix)
        : dir(scratchFolder(prefix))
    {
    }
    ~TScratchFolder() { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

// A broken promise of the code under test stops the run, so that libFuzzer
// keeps the input.
inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

inline void writeSeedsIfAsked(const std::function<std::vector<Seed>()>& make)
{
    const char* folder = std::getenv("TAVIX_FUZZ_SEEDS");
    if (!folder || !*folder)
        return;
    std::filesystem::create_directories(folder);
    int count = 0;
    for (const Seed& seed : make()) {
        std::ofstream out(std::filesystem::path(folder) / ("seed-" + seed.name), std::ios::binary);
        out.write(seed.bytes.data(), static_cast<std::streamsize>(seed.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "fuzz seeds: cannot write %s in %s\n", seed.name.c_str(), folder);
            std::exit(1);
        }
        ++count;
    }
    std::fprintf(stderr, "fuzz seeds: %d written to %s\n", count, folder);
    std::exit(0);
}

} // namespace tavix::fuzzing
