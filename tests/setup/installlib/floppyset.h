#pragma once

// Floppy disks for the emulated drive A: each disk is a folder on the host,
// and insert() puts one in the drive (the one there goes back to its own
// folder), as a user swaps disks when the setup asks for one.

#include "platform/win/machine.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace floppytest {

namespace fs = std::filesystem;

class FloppySet {
public:
    FloppySet(win::Machine& machine, const fs::path& store)
        : store_(store)
    {
        for (const win::DriveInfo& d : machine.drives())
            if (d.letter == 'A')
                drive_ = d.host;
        fs::create_directories(drive_);
    }
    void insert(int disk)
    {
        if (disk == current_)
            return;
        moveAll(drive_, store_ / std::to_string(current_));
        if (fs::exists(store_ / std::to_string(disk)))
            moveAll(store_ / std::to_string(disk), drive_);
        current_ = disk;
    }
    int current() const { return current_; }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(drive_))
            out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    static void moveAll(const fs::path& from, const fs::path& to)
    {
        fs::create_directories(to);
        for (const auto& entry : fs::directory_iterator(from))
            fs::rename(entry.path(), to / entry.path().filename());
    }
    fs::path drive_;
    fs::path store_;
    int current_ = 1;
};

} // namespace floppytest
