#pragma once

// The registry's keys in memory (internal to the registry's own files).

#include "platform/win/registry.h"
#include "platform/win/text.h"

#include <algorithm>
#include <sys/stat.h>

namespace win {

struct Registry::Key {
    std::string name;
    std::vector<RegValue> values;
    std::vector<std::unique_ptr<Key>> subkeys; // sorted without case

    Key* child(const std::string& n) const
    {
        for (const auto& k : subkeys)
            if (text::equalsNoCase(k->name, n))
                return k.get();
        return nullptr;
    }
    Key* addChild(const std::string& n)
    {
        auto k = std::make_unique<Key>();
        k->name = n;
        Key* raw = k.get();
        auto at = std::lower_bound(subkeys.begin(), subkeys.end(), n,
            [](const std::unique_ptr<Key>& a, const std::string& b) { return text::compareNoCase(a->name, b) < 0; });
        subkeys.insert(at, std::move(k));
        return raw;
    }
    RegValue* value(const std::string& n)
    {
        for (auto& v : values)
            if (text::equalsNoCase(v.name, n))
                return &v;
        return nullptr;
    }
};

struct Registry::Store {
    Key roots[6];
    // What the file looked like when it was last read or written.
    bool known = false;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec mtime { };
};

} // namespace win
