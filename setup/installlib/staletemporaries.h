#pragma once

// What setup runs of this library leave behind when they are killed, or
// when the restart they asked for never comes, and a later run removes:
//
//   QRL<hex>.TMP   the archive's temporary copy of a file being extracted,
//                  in the folder of that file (Temp\QS<n> for the loader)
//   bat<hex>.TMP   batch files of the Temp folder: a name taken for a
//   bat<hex>.bat   batch and the clean-up or in-use batch made from it
//   .write-...tmp  the machine's own copies behind a file write or copy
//   .copy-...tmp   (beside the script's files; only a killed writer's)
//   QS<n>          the folder the loader unpacks a setup into, in Temp:
//                  one that holds a copy of the running setup program (same
//                  name, size and date), or nothing but the archive's
//                  temporary files (a loader killed while unpacking)
//
// Only these names, only in those places, and only when no live program
// holds the file (or a file in the folder: a running setup holds its own
// program file, an extraction its temporary file) and no pending restart
// needs it (a RunOnce command or a run record's Unfinished list naming
// it). Nothing else is touched.

#include <string>
#include <vector>

namespace installlib {

// Folder is "QS<number>" directly in the machine's Temp folder.
bool IsLoaderFolder(const std::string& Folder);

// Deletes Folder with everything in it; what cannot be deleted stays.
void RemoveFolderTree(const std::string& Folder);

// The loader's Folder once the setup it unpacked there has ended, however
// it ended: removed unless a pending restart needs it (the resume runs
// from there).
void RemoveEndedLoaderFolder(const std::string& Folder);

// Removes the stale temporaries from the Temp folder and from Folders
// (each searched on its own, not below). OwnProgram is the running setup
// program; its folder always stays.
void RemoveStaleTemporaries(const std::vector<std::string>& Folders, const std::string& OwnProgram);

} // namespace installlib
