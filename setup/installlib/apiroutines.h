#pragma once

// The Windows queries of the install library: kind of Windows, the system
// and Windows directories, short path names and temporary batch files. They
// ask the machine the program runs on (win::Machine::current()).

#include <string>
#include <string_view>

namespace installlib {

enum TWindowsKind : int {
    wkWin32s = 0,
    wkWindows95 = 1,
    wkWindowsNT4 = 2, // NT 4 or later
    wkWindowsNT35 = 3,
    wkOther = 4,
};

// Raises EAPIRoutines "Could not get information about the current version of
// Windows" when the version cannot be had.
int GetWindowsKind();

// The directories as Windows reports them; EAPIRoutines on failure.
std::string GetSystemDir();
std::string GetWindowsDir();

// The short form of an existing path of at most 400 characters; empty when
// the path does not exist or is longer.
std::string GetShortPath(std::string_view Path);

// A new unique "bat....TMP" file in the temporary directory; with Keep false
// the file is deleted again and only its name returned. EAPIRoutines "Cannot
// create a temporary file" when there is no temporary directory or name.
std::string GetTempBatchFile(bool Keep);

} // namespace installlib
