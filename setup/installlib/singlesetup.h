#pragma once

// One setup or uninstall at a time on a machine: two at once would change
// the same files, the engine's configuration and the uninstall entry under
// each other. The setup program and the uninstall program hold the
// machine's named hold below (win::Machine::holdName) for as long as they
// run. The loader takes it before it unpacks anything and hands it on to
// the setup it starts, so no second loader unpacks while the first setup
// starts. A second start is refused at once with the text below and
// changes nothing. The hold ends with the program, however it ends.

#include "platform/win/machine.h"

#include <string>

namespace installlib {

inline constexpr const char* kSetupHoldName = "QuorleSetup";
inline constexpr const char* kSetupRunningText = "Setup is already running.";

class TSetupHold {
public:
    // Takes the machine's hold, or, with TakeHandedOn, the one the loader
    // that started this program handed on.
    TSetupHold(const win::Machine& Machine, bool TakeHandedOn);
    ~TSetupHold();
    TSetupHold(const TSetupHold&) = delete;
    TSetupHold& operator=(const TSetupHold&) = delete;

    bool Holding() const { return own_.holding() || handedOn_ >= 0; }
    // Why it is not held: kSetupRunningText, or the machine's error.
    const std::string& Refusal() const { return refusal_; }
    // The environment entry ("NAME=value") that lets the program started
    // next take the hold on; empty when there is none to hand on.
    std::string HandOn() const;

private:
    win::Machine::Hold own_;
    int handedOn_ = -1;
    std::string refusal_;
};

} // namespace installlib
