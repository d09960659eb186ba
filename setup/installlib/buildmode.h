#pragma once

// The build side of a distribution and the self-extracting setup file.
//
// A build (-b, BUILD.INF) writes into the build directory the loader
// program as "setup.exe", the archive "setup.1" (the setup program first,
// then its presetup files) and the archive "files.1" of the product; net
// distributions add "filelist.lst" beside their net archives. A
// self-extracting setup is the loader followed by setup.1, files.1 and a
// 56-byte trailer that tells where each archive lies:
//
//   offset  0  14, then "SELFEXTRACTING", then 0
//   offset 16  int32 first byte of setup.1 (= size of the loader)
//   offset 20  int32 last byte of setup.1
//   offset 24  int32 first byte of files.1 (0 without files.1)
//   offset 28  int32 last byte of files.1 (0 without files.1)
//   offset 32  24 zero bytes
//
// All numbers are little-endian.

#include "setup/installlib/installerrors.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace installlib {

// The install library's directory is not on the build machine's library
// search path.
class IENoQuorlePath : public IEInstall {
public:
    using IEInstall::IEInstall;
};

inline constexpr int kSelfExtractTrailerSize = 56;
inline constexpr std::string_view kSelfExtractSignature = "SELFEXTRACTING";

// Where the build tools keep the library search path (per user) and their
// root directory (machine-wide), and the macro for the root in the path.
inline constexpr std::string_view kBuildToolsLibraryKey = "Software\\Build Tools\\Library";
inline constexpr std::string_view kBuildToolsSearchPathValue = "Search Path";
inline constexpr std::string_view kBuildToolsKey = "Software\\Build Tools";
inline constexpr std::string_view kBuildToolsRootValue = "RootDir";
inline constexpr std::string_view kBuildToolsRootMacro = "$(BUILDROOT)";
// The file that marks the install library's directory.
inline constexpr std::string_view kQuorleMarkerFile = "Q32V40.TXT";
// The loader program in that directory.
inline constexpr std::string_view kLoaderProgram = "QuorleLoadProgram.exe";

// The offsets of the trailer (the signature is not kept: a trailer with
// another one is still used).
struct TSelfExtractInfo {
    std::int32_t Setup1First = 0;
    std::int32_t Setup1Last = 0;
    std::int32_t Files1First = 0;
    std::int32_t Files1Last = 0;

    // From the 56 trailer bytes; shorter input raises IEInstall.
    static TSelfExtractInfo FromBytes(std::string_view Bytes);
    // The 56 trailer bytes with the signature.
    std::string Bytes() const;
};

// The install library's directory on the build machine (no trailing
// backslash): the first entry of the library search path whose directory
// holds the marker file. Empty when there is none, or IENoQuorlePath when
// RaiseIfMissing is set.
std::string FindQuorleDir(bool RaiseIfMissing);

} // namespace installlib
