#include "setup/installlib/registry.h"

#include "platform/win/errors.h"
#include "platform/win/machine.h"
#include "setup/installlib/format.h"

#include <cstring>

namespace installlib {

TRegistry::TRegistry(win::Registry* registry)
    : registry_(registry ? registry : &win::Machine::current().registry())
{
}

TRegistry::~TRegistry()
{
    CloseKey();
}

void TRegistry::SetRootKey(win::RootKey root)
{
    if (root == root_)
        return;
    CloseKey();
    root_ = root;
}

win::RegKey TRegistry::BaseFor(std::string_view Key, std::string& subKey) const
{
    if (!Key.empty() && Key.front() == '\\') {
        subKey = std::string(Key.substr(1));
        return win::RegKey(root_);
    }
    subKey = std::string(Key);
    return current_ ? *current_ : win::RegKey(root_);
}

void TRegistry::ChangeKey(const win::RegKey& key, std::string path)
{
    CloseKey();
    current_ = key;
    currentPath_ = std::move(path);
}

bool TRegistry::OpenKey(std::string_view Key, bool CanCreate)
{
    std::string sub;
    win::RegKey base = BaseFor(Key, sub);
    bool relative = Key.empty() || Key.front() != '\\';
    win::RegKey opened;
    long rc = CanCreate ? registry_->createKey(base, sub, opened) : registry_->openKey(base, sub, true, opened);
    if (rc != 0)
        return false;
    std::string path = relative && current_ && !sub.empty() ? currentPath_ + "\\" + sub : sub;
    if (relative && current_ && sub.empty())
        path = currentPath_;
    ChangeKey(opened, path);
    return true;
}

void TRegistry::CloseKey()
{
    current_.reset();
    currentPath_.clear();
}

bool TRegistry::ValueExists(std::string_view Name)
{
    if (!current_)
        return false;
    win::RegValue v;
    return registry_->queryValue(*current_, std::string(Name), v) == 0;
}

std::string TRegistry::ReadString(std::string_view Name)
{
    if (!current_)
        return {};
    win::RegValue v;
    if (registry_->queryValue(*current_, std::string(Name), v) != 0)
        return {};
    if (!v.isString())
        throw ERegistryException(TranslateFormat("Invalid data type for '%s'", { Name }));
    return v.text();
}

int TRegistry::ReadInteger(std::string_view Name)
{
    win::RegValue v;
    if (!current_ || registry_->queryValue(*current_, std::string(Name), v) != 0)
        throw ERegistryException(TranslateFormat("Failed to get data for '%s'", { Name }));
    if (v.type != win::REG_DWORD || v.data.size() != 4)
        throw ERegistryException(TranslateFormat("Invalid data type for '%s'", { Name }));
    return static_cast<int>(v.dwordValue());
}

double TRegistry::ReadFloat(std::string_view Name)
{
    win::RegValue v;
    if (!current_ || registry_->queryValue(*current_, std::string(Name), v) != 0)
        throw ERegistryException(TranslateFormat("Failed to get data for '%s'", { Name }));
    if (v.type != win::REG_BINARY || v.data.size() != sizeof(double))
        throw ERegistryException(TranslateFormat("Invalid data type for '%s'", { Name }));
    double value;
    std::memcpy(&value, v.data.data(), sizeof value);
    return value;
}

void TRegistry::WriteFloat(std::string_view Name, double Value)
{
    std::vector<std::uint8_t> bytes(sizeof Value);
    std::memcpy(bytes.data(), &Value, sizeof Value);
    if (!current_ || registry_->setValue(*current_, win::RegValue::binary(std::string(Name), bytes)) != 0)
        throw ERegistryException(TranslateFormat("Failed to set data for '%s'", { Name }));
}

void TRegistry::WriteString(std::string_view Name, std::string_view Value)
{
    if (!current_ || registry_->setValue(*current_, win::RegValue::string(std::string(Name), std::string(Value))) != 0)
        throw ERegistryException(TranslateFormat("Failed to set data for '%s'", { Name }));
}

void TRegistry::WriteInteger(std::string_view Name, int Value)
{
    if (!current_
        || registry_->setValue(*current_, win::RegValue::dword(std::string(Name), static_cast<std::uint32_t>(Value)))
            != 0)
        throw ERegistryException(TranslateFormat("Failed to set data for '%s'", { Name }));
}

bool TRegistry::DeleteValue(std::string_view Name)
{
    return current_ && registry_->deleteValue(*current_, std::string(Name)) == 0;
}

std::vector<std::string> TRegistry::GetKeyNames()
{
    std::vector<std::string> names;
    if (current_)
        registry_->enumKeys(*current_, names);
    return names;
}

std::vector<std::string> TRegistry::GetValueNames()
{
    std::vector<std::string> names;
    std::vector<win::RegValue> values;
    if (current_ && registry_->enumValues(*current_, values) == 0)
        for (const auto& v : values)
            names.push_back(v.name);
    return names;
}

bool TRegistry::DeleteKey(std::string_view Key)
{
    std::string sub;
    win::RegKey base = BaseFor(Key, sub);
    if (sub.empty())
        return false;
    return registry_->deleteKey(base, sub) == 0;
}

} // namespace installlib
