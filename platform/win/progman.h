#pragma once

// The emulated machine's Program Manager: program groups and their items,
// kept in the Windows directory's "PMGROUPS.TXT" and driven, as a DDE client
// drives the real one, by command strings ("[CreateGroup(\"Tools\")]
// [ShowGroup(Tools,8)][AddItem(\"C:\\T\\t.exe\" -x,Tool,,0,,,\"C:\\T\",)]")
// and text requests ("Groups", or a group's name).
//
// Commands: CreateGroup(name), ShowGroup(name, show), AddItem(command line,
// name, icon path, icon index, x, y, working folder, hot key, minimised),
// ReplaceItem(name), DeleteItem(name), DeleteGroup(name). Arguments are
// separated by commas outside double quotes; an argument wholly in quotes
// loses them. A command string is applied whole or not at all.
//
// Replies: "Groups" gives one group name per line (CR LF); a group's name
// gives the line "\"<group>\",<item count>" followed by one line per item:
// "\"<name>\",\"<command line>\",<working folder>,<icon path>,<icon index>,<hot key>".
//
// State file, one record a line, fields separated by tabs:
//   G <group>
//   I <group> <name> <command line> <icon path> <icon index> <working folder> <hot key>
//   S                 (the Program Manager is not running)

#include <optional>
#include <string>
#include <vector>

namespace win {

class Machine;

struct ProgramItem {
    std::string name, commandLine, iconPath;
    int iconIndex = 0;
    std::string workingDirectory, hotKey;
    bool operator==(const ProgramItem&) const = default;
};

struct ProgramGroup {
    std::string name;
    std::vector<ProgramItem> items;
};

class ProgramManager {
public:
    explicit ProgramManager(Machine& machine);

    // Whether the Program Manager answers a conversation (kept in the state file).
    bool running() const;
    void setRunning(bool running);

    // Applies a command string; false (nothing changed) with the reason in
    // lastError() of this object.
    bool execute(const std::string& commands);
    // The reply text; empty optional for an unknown item.
    std::optional<std::string> request(const std::string& item) const;
    const std::string& lastError() const { return error_; }

    std::vector<ProgramGroup> groups() const;
    // The group of that name (without case), or none.
    std::optional<ProgramGroup> group(const std::string& name) const;

private:
    struct State {
        bool stopped = false;
        std::vector<ProgramGroup> groups;
    };
    State load() const;
    bool save(const State& state);
    bool apply(State& state, const std::string& command, const std::vector<std::string>& args);
    std::string statePath() const;

    Machine& machine_;
    std::string current_; // the group the conversation works in
    int replaceAt_ = -1; // where the next AddItem goes after ReplaceItem
    std::string error_;
};

} // namespace win
