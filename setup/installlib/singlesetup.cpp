#include "setup/installlib/singlesetup.h"

#include "platform/win/errors.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace installlib {

namespace {

// The host descriptor of the hold handed on to a started program.
constexpr const char* kHandedOnVariable = "TAVIX_SETUPHOLD";

// The descriptor the loader handed on, when it is one that still holds the
// name; it is taken out of the environment so no program this one starts
// takes it too.
int takeHandedOn(const win::Machine& machine)
{
    const char* value = std::getenv(kHandedOnVariable);
    const int fd = value && *value ? std::atoi(value) : -1;
    ::unsetenv(kHandedOnVariable);
    if (fd < 3 || ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0)
        return -1;
    // It holds a lock of its own (it would take it now, as the holder does)
    // and the name is held: then it is that hold.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && !machine.holdName(kSetupHoldName).holding()
        && win::lastError() == win::ERROR_ALREADY_EXISTS)
        return fd;
    ::close(fd);
    return -1;
}

} // namespace

TSetupHold::TSetupHold(const win::Machine& Machine, bool TakeHandedOn)
{
    if (TakeHandedOn && (handedOn_ = takeHandedOn(Machine)) >= 0)
        return;
    own_ = Machine.holdName(kSetupHoldName);
    if (own_.holding())
        return;
    const uint32_t error = win::lastError();
    // Running without the hold would let another setup change the machine
    // under this one.
    refusal_ = error == win::ERROR_ALREADY_EXISTS
        ? std::string(kSetupRunningText)
        : "Setup cannot make sure that no other setup runs on this machine: " + win::errorText(error);
}

TSetupHold::~TSetupHold()
{
    if (handedOn_ >= 0)
        ::close(handedOn_);
}

std::string TSetupHold::HandOn() const
{
    const int fd = own_.holding() ? own_.fd() : handedOn_;
    // Inherited by the started program alone: it starts at once.
    if (fd < 0 || ::fcntl(fd, F_SETFD, 0) != 0)
        return {};
    return std::string(kHandedOnVariable) + "=" + std::to_string(fd);
}

} // namespace installlib
