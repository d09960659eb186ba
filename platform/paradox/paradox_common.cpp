#include "platform/paradox/paradox.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace paradox {

namespace {

bool equalNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

const DamagedValue* Table::damage(std::size_t record, int field) const
{
    auto it = std::lower_bound(damaged.begin(), damaged.end(), record,
        [](const DamagedValue& d, std::size_t r) { return d.record < r; });
    for (; it != damaged.end() && it->record == record; ++it)
        if (it->field == field)
            return &*it;
    return nullptr;
}

Error::Error(const std::filesystem::path& file, const std::string& what)
    : std::runtime_error(file.string() + ": " + what)
    , file_(file)
{
}

int Table::fieldIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (equalNoCase(fields[i].name, name))
            return static_cast<int>(i);
    return -1;
}

std::optional<std::filesystem::path> resolveNoCase(const std::filesystem::path& base, std::string_view relative)
{
    std::filesystem::path current = base;
    std::size_t pos = 0;
    while (pos <= relative.size()) {
        std::size_t end = relative.find_first_of("\\/", pos);
        if (end == std::string_view::npos)
            end = relative.size();
        std::string_view part = relative.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            current = current / "..";
            continue;
        }
        std::error_code ec;
        std::filesystem::path exact = current / std::string(part);
        if (std::filesystem::exists(exact, ec)) {
            current = exact;
            continue;
        }
        std::optional<std::filesystem::path> found;
        for (std::filesystem::directory_iterator it(current, ec), end_it; !ec && it != end_it; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (equalNoCase(name, part)) {
                // The first case-folded match in name order, so the choice
                // does not depend on directory order.
                if (!found || name < found->filename().string())
                    found = it->path();
            }
        }
        if (!found)
            return std::nullopt;
        current = *found;
    }
    return current;
}

const char* fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::Alpha:
        return "Alpha";
    case FieldType::Date:
        return "Date";
    case FieldType::Short:
        return "Short";
    case FieldType::Long:
        return "Long";
    case FieldType::Currency:
        return "Currency";
    case FieldType::Number:
        return "Number";
    case FieldType::Logical:
        return "Logical";
    case FieldType::Memo:
        return "Memo";
    case FieldType::Blob:
        return "Binary";
    case FieldType::FormattedMemo:
        return "Formatted memo";
    case FieldType::Ole:
        return "OLE";
    case FieldType::Graphic:
        return "Graphic";
    case FieldType::Time:
        return "Time";
    case FieldType::Timestamp:
        return "Timestamp";
    case FieldType::AutoInc:
        return "Autoincrement";
    case FieldType::Bcd:
        return "BCD";
    case FieldType::Bytes:
        return "Bytes";
    }
    return "?";
}

} // namespace paradox
