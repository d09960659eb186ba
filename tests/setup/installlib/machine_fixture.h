#pragma once

#include "platform/win/machine.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

// A fresh emulated machine in a temporary root, current for the test.
class MachineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        machine = win::Machine::open(dir.path() / "root");
        win::Machine::setCurrent(machine);
    }
    void TearDown() override { win::Machine::setCurrent(nullptr); }

    win::Registry& registry() { return machine->registry(); }

    tavix::testing::TempDir dir { "installlib" };
    std::shared_ptr<win::Machine> machine;
};
