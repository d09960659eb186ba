#pragma once

// What an install records under the product's uninstall key so that the
// uninstall program takes only what is the install's own. It sits beside
// the "Files" and "ActiveX" lists, which keep their form for uninstall
// programs that read only those:
//
//   Files\File1 = C:\App\DATA.DB            (as before)
//   FileStamps\C:\App\DATA.DB = 2048;9f86d0...   size and SHA-256 as written
//   Folders\C:\App = ""                     a folder the install created
//
// A file is removed only while it still has the size and hash it was
// written with; a file that a later run found and kept has the stamp
// "kept", which no file matches. An entry without a stamp for a file (one
// written before stamps) has that file removed as it always was.
//
// An entry with a "Folders" key has only those folders removed, and only
// when empty. The key is started by the first record written into an entry
// that holds no list yet; an entry that already holds lists without it was
// written before this record existed, and a later run adds nothing to it,
// so that its folders are still handled all one way.

#include <string>
#include <string_view>
#include <vector>

namespace installlib {

inline constexpr const char* kFileStampsKey = "FileStamps";
inline constexpr const char* kFoldersKey = "Folders";
// The stamp of a file that a run kept as it found it.
inline constexpr const char* kKeptFileStamp = "kept";
// The entry's value holding the command of a resume that waits for the next
// start of Windows, which uninstall takes with the product.
inline constexpr const char* kResumeValue = "QuorleResume";

// "<size>;<SHA-256 in lower-case hex>" of the file; empty when it cannot be read.
std::string FileStamp(const std::string& Path);

// The program of an entry's quoted "UninstallString" ("\"C:\App\uninstall.exe\"
// Product"); empty when the command does not begin with a quoted path.
std::string QuotedProgramOf(std::string_view Command);

// Creates the folder with its missing parents and appends those it made to
// Created, outermost first. False when the folder could not be made (the
// machine's last error says why).
bool CreateFolders(const std::string& Path, std::vector<std::string>& Created);

// Starts the "Folders" record of an entry that holds no list yet, then adds
// Created to the record when the entry has one. Called before the caller
// writes its own list entry.
void RecordCreatedFolders(std::string_view Key, const std::vector<std::string>& Created);

// The stamp of the file written for Path (the copy at WrittenAs, which is
// another name while the old file is in use), replacing an earlier one.
void RecordFileStamp(std::string_view Key, const std::string& Path, const std::string& WrittenAs);

// Where a link of the user's own (one the entry does not list) stood in the
// way of the product's: its bytes under the entry's "KeptLinks", by its path,
// put back by the uninstall. A Program Manager item (no file) is kept as the
// strings Item gives: command line, icon path, icon index, working folder,
// hot key.
inline constexpr const char* kKeptLinksKey = "KeptLinks";
void KeepUsersLink(std::string_view Key, const std::string& Path, const std::vector<std::string>& Item = {});

// The run kept the file at Path as it was: a stamp of an earlier run stays;
// without one the file is marked so that uninstall leaves it.
void RecordKeptFile(std::string_view Key, const std::string& Path);

} // namespace installlib
