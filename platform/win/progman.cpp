#include "platform/win/progman.h"

#include "platform/win/machine.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace win {

namespace {

bool sameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t'))
        out.push_back(field);
    if (!line.empty() && line.back() == '\t')
        out.emplace_back();
    return out;
}

// Tabs and line breaks would break the state file's records.
bool storable(const std::string& s)
{
    return s.find_first_of("\t\r\n") == std::string::npos;
}

// Arguments of one command: commas outside quotes separate them.
std::vector<std::string> splitArguments(const std::string& text)
{
    std::vector<std::string> args;
    std::string arg;
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (c == ',' && !quoted) {
            args.push_back(arg);
            arg.clear();
        } else
            arg.push_back(c);
    }
    args.push_back(arg);
    for (std::string& a : args) {
        a = trim(a);
        if (a.size() >= 2 && a.front() == '"' && a.back() == '"' && a.find('"', 1) == a.size() - 1)
            a = a.substr(1, a.size() - 2);
    }
    return args;
}

} // namespace

ProgramManager::ProgramManager(Machine& machine)
    : machine_(machine)
{
}

std::string ProgramManager::statePath() const
{
    return machine_.windowsDirectory() + "\\PMGROUPS.TXT";
}

ProgramManager::State ProgramManager::load() const
{
    State state;
    std::string bytes;
    if (!machine_.readFile(statePath(), bytes))
        return state;
    std::istringstream in(bytes);
    std::string line;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = splitTabs(line);
        if (f.empty())
            continue;
        if (f[0] == "S")
            state.stopped = true;
        else if (f[0] == "G" && f.size() == 2)
            state.groups.push_back({ f[1], {} });
        else if (f[0] == "I" && f.size() == 8) {
            auto g = std::find_if(
                state.groups.begin(), state.groups.end(), [&](const ProgramGroup& x) { return x.name == f[1]; });
            if (g == state.groups.end())
                continue;
            ProgramItem item { f[2], f[3], f[4], 0, f[6], f[7] };
            try {
                item.iconIndex = std::stoi(f[5]);
            } catch (const std::exception&) {
                item.iconIndex = 0;
            }
            g->items.push_back(item);
        }
    }
    return state;
}

bool ProgramManager::save(const State& state)
{
    std::string out;
    if (state.stopped)
        out += "S\n";
    for (const ProgramGroup& g : state.groups) {
        out += "G\t" + g.name + "\n";
        for (const ProgramItem& i : g.items)
            out += "I\t" + g.name + "\t" + i.name + "\t" + i.commandLine + "\t" + i.iconPath + "\t"
                + std::to_string(i.iconIndex) + "\t" + i.workingDirectory + "\t" + i.hotKey + "\n";
    }
    if (!machine_.writeFile(statePath(), out)) {
        error_ = "the group file " + statePath() + " cannot be written";
        return false;
    }
    return true;
}

bool ProgramManager::running() const
{
    return !load().stopped;
}

void ProgramManager::setRunning(bool running)
{
    State state = load();
    state.stopped = !running;
    save(state);
}

bool ProgramManager::execute(const std::string& commands)
{
    error_.clear();
    State state = load();
    if (state.stopped) {
        error_ = "Program Manager is not running";
        return false;
    }
    const std::string savedCurrent = current_;
    const int savedReplace = replaceAt_;
    auto fail = [&](const std::string& why) {
        error_ = why;
        current_ = savedCurrent;
        replaceAt_ = savedReplace;
        return false;
    };
    size_t pos = 0;
    bool any = false;
    while (pos < commands.size()) {
        if (std::isspace(static_cast<unsigned char>(commands[pos]))) {
            ++pos;
            continue;
        }
        if (commands[pos] != '[')
            return fail("a command must begin with [");
        // The closing "]" outside quotes ends the command.
        size_t end = pos + 1;
        bool quoted = false;
        while (end < commands.size() && (commands[end] != ']' || quoted)) {
            if (commands[end] == '"')
                quoted = !quoted;
            ++end;
        }
        if (end >= commands.size())
            return fail("a command lacks its closing ]");
        const std::string body = trim(commands.substr(pos + 1, end - pos - 1));
        pos = end + 1;
        const size_t open = body.find('(');
        if (open == std::string::npos || body.back() != ')')
            return fail("bad command: " + body);
        const std::string name = trim(body.substr(0, open));
        const std::vector<std::string> args = splitArguments(body.substr(open + 1, body.size() - open - 2));
        if (!apply(state, name, args))
            return fail(error_);
        any = true;
    }
    if (!any)
        return fail("no command");
    if (!save(state))
        return fail(error_);
    return true;
}

bool ProgramManager::apply(State& state, const std::string& command, const std::vector<std::string>& args)
{
    auto findGroup = [&](const std::string& name) {
        return std::find_if(
            state.groups.begin(), state.groups.end(), [&](const ProgramGroup& g) { return sameText(g.name, name); });
    };
    auto findItem = [](ProgramGroup& g, const std::string& name) {
        return std::find_if(
            g.items.begin(), g.items.end(), [&](const ProgramItem& i) { return sameText(i.name, name); });
    };
    auto arg = [&](size_t i) { return i < args.size() ? args[i] : std::string(); };
    if (sameText(command, "CreateGroup") || sameText(command, "ShowGroup")) {
        const std::string name = arg(0);
        if (name.empty() || !storable(name)) {
            error_ = "bad group name";
            return false;
        }
        auto g = findGroup(name);
        if (g == state.groups.end()) {
            if (sameText(command, "ShowGroup")) {
                error_ = "no group " + name;
                return false;
            }
            state.groups.push_back({ name, {} });
            g = state.groups.end() - 1;
        }
        // Showing the group a ReplaceItem left open keeps the place for the next item.
        if (!sameText(current_, g->name))
            replaceAt_ = -1;
        current_ = g->name;
        return true;
    }
    if (sameText(command, "DeleteGroup")) {
        auto g = findGroup(arg(0));
        if (g == state.groups.end()) {
            error_ = "no group " + arg(0);
            return false;
        }
        if (sameText(g->name, current_))
            current_.clear();
        state.groups.erase(g);
        return true;
    }
    auto g = findGroup(current_);
    if (current_.empty() || g == state.groups.end()) {
        error_ = "no group is selected for " + command;
        return false;
    }
    if (sameText(command, "AddItem")) {
        ProgramItem item;
        item.commandLine = arg(0);
        item.name = arg(1);
        item.iconPath = arg(2);
        item.workingDirectory = arg(6);
        item.hotKey = arg(7);
        try {
            item.iconIndex = arg(3).empty() ? 0 : std::stoi(arg(3));
        } catch (const std::exception&) {
            error_ = "bad icon index " + arg(3);
            return false;
        }
        if (item.commandLine.empty() || item.name.empty()) {
            error_ = "an item needs a command line and a name";
            return false;
        }
        for (const std::string* s :
            { &item.commandLine, &item.name, &item.iconPath, &item.workingDirectory, &item.hotKey })
            if (!storable(*s)) {
                error_ = "bad item text";
                return false;
            }
        if (replaceAt_ >= 0 && replaceAt_ <= int(g->items.size()))
            g->items.insert(g->items.begin() + replaceAt_, item);
        else
            g->items.push_back(item);
        replaceAt_ = -1;
        return true;
    }
    if (sameText(command, "ReplaceItem") || sameText(command, "DeleteItem")) {
        auto i = findItem(*g, arg(0));
        if (i == g->items.end()) {
            error_ = "no item " + arg(0) + " in " + g->name;
            return false;
        }
        const int at = int(i - g->items.begin());
        g->items.erase(i);
        replaceAt_ = sameText(command, "ReplaceItem") ? at : -1;
        return true;
    }
    error_ = "unknown command " + command;
    return false;
}

std::optional<std::string> ProgramManager::request(const std::string& item) const
{
    const State state = load();
    if (state.stopped)
        return std::nullopt;
    std::string reply;
    if (sameText(item, "Groups")) {
        for (const ProgramGroup& g : state.groups)
            reply += g.name + "\r\n";
        return reply;
    }
    for (const ProgramGroup& g : state.groups)
        if (sameText(g.name, item)) {
            reply = "\"" + g.name + "\"," + std::to_string(g.items.size()) + "\r\n";
            for (const ProgramItem& i : g.items)
                reply += "\"" + i.name + "\",\"" + i.commandLine + "\"," + i.workingDirectory + "," + i.iconPath + ","
                    + std::to_string(i.iconIndex) + "," + i.hotKey + "\r\n";
            return reply;
        }
    return std::nullopt;
}

std::vector<ProgramGroup> ProgramManager::groups() const
{
    return load().groups;
}

std::optional<ProgramGroup> ProgramManager::group(const std::string& name) const
{
    for (const ProgramGroup& g : load().groups)
        if (sameText(g.name, name))
            return g;
    return std::nullopt;
}

} // namespace win
