#include "tests/platform/db/db_fixture.h"

namespace dbtest {

using paradox::FieldDef;
using paradox::FieldType;

paradox::Table makeTable(std::vector<FieldDef> fields, int keyFields, std::vector<std::vector<paradox::Value>> records)
{
    paradox::Table t;
    t.fields = std::move(fields);
    t.keyFieldCount = keyFields;
    t.records = std::move(records);
    return t;
}

paradox::Table transistorTable(const std::vector<Transistor>& parts)
{
    std::vector<std::vector<paradox::Value>> rows;
    for (const Transistor& p : parts) {
        auto text = [](const std::string& s) -> paradox::Value {
            if (s.empty())
                return std::monostate {};
            return s;
        };
        auto number = [](double d) -> paradox::Value {
            if (d < 0)
                return std::monostate {}; // a rating the data sheet does not give
            return d;
        };
        rows.push_back({ text(p.id), text(p.uso), text(p.polaridade), number(p.vceo), number(p.ic), number(p.pd),
            text(p.encapsulamento) });
    }
    return makeTable(
        { { "Identificacao", FieldType::Alpha, 20 }, { "Uso", FieldType::Alpha, 30 },
            { "Polaridade", FieldType::Alpha, 3 }, { "Vceo", FieldType::Number, 8 }, { "Ic", FieldType::Number, 8 },
            { "Pd", FieldType::Number, 8 }, { "Encapsulamento", FieldType::Alpha, 20 } },
        1, std::move(rows));
}

std::vector<Transistor> sampleTransistors()
{
    return {
        { "TIP31", "Power", "NPN", 40, 3, 40, " TO-220 " },
        { "BC547", "General", "NPN", 45, 0.1, 0.5, "TO-92" },
        { "2N3055", "Power", "NPN", 60, 15, 115, "TO-3" },
        { "BC557", "General", "PNP", 45, 0.1, 0.5, "TO-92" },
        { "BD139", "Driver", "NPN", 80, 1.5, 12.5, "TO-126" },
        { "BC548", "General", "NPN", 30, 0.1, 0.5, "TO-92" },
    };
}

DataDir::DataDir()
{
    std::filesystem::create_directories(dataPath());
}

void DataDir::write(const std::string& fileName, const paradox::Table& table) const
{
    paradox::writeTable(file(fileName), table);
}

} // namespace dbtest
