#pragma once

// One setup or uninstall at a time on a machine: two at once would change
// the same files, the engine's configuration and the uninstall entry under
// each other. The setup program and the uninstall program hold the
// machine's named hold below (win::Machine::holdName) for as long as they
// run; the loader takes it only to look, before it unpacks anything. A
// second start is refused at once with the text below and changes nothing.
// The hold ends with the program, however it ends.

namespace installlib {

inline constexpr const char* kSetupHoldName = "QuorleSetup";
inline constexpr const char* kSetupRunningText = "Setup is already running.";

} // namespace installlib
