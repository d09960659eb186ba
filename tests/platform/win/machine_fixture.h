#pragma once

#include "platform/win/machine.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

// A fresh emulated machine in a temporary root for each test.
class MachineTest : public ::testing::Test {
protected:
    void SetUp() override { machine = win::Machine::open(dir.path() / "root", seed()); }
    virtual win::MachineSeed seed() { return {}; }

    // The host file behind a Windows path (which must resolve).
    std::filesystem::path host(const std::string& path)
    {
        std::filesystem::path h;
        EXPECT_TRUE(machine->resolve(path, h)) << path;
        return h;
    }

    tavix::testing::TempDir dir { "winemu" };
    std::shared_ptr<win::Machine> machine;
};
