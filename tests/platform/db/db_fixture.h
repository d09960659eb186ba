#pragma once

// Small part tables written with the Paradox writer into a temporary
// "data" folder, shaped like the program's tables.

#include <filesystem>
#include <string>
#include <vector>

#include "platform/paradox/paradox.h"
#include "tests/support/temp_dir.h"

namespace dbtest {

struct Transistor {
    std::string id;
    std::string uso;
    std::string polaridade;
    double vceo;
    double ic;
    double pd;
    std::string encapsulamento;
};

paradox::Table transistorTable(const std::vector<Transistor>& parts);

// A keyed table of the given fields with records.
paradox::Table makeTable(
    std::vector<paradox::FieldDef> fields, int keyFields, std::vector<std::vector<paradox::Value>> records);

class DataDir {
public:
    DataDir();
    // base + "\\data\\" as the program builds it.
    std::string databaseName() const { return base_.path().string() + "\\data\\"; }
    std::filesystem::path dataPath() const { return base_.path() / "data"; }
    std::filesystem::path file(const std::string& name) const { return dataPath() / name; }
    void write(const std::string& fileName, const paradox::Table& table) const;

private:
    tavix::testing::TempDir base_ { "tavix-db" };
};

// The standard sample: six transistors whose ratings are not in key order.
std::vector<Transistor> sampleTransistors();

} // namespace dbtest
