#pragma once

// A list of objects it does not own, in the order they were added: the
// library-wide lists of containers, install files, net locations and path
// specifiers. Each list's Add refuses null with its own error.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace installlib {

template <class T> class TPointerList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    T* Items(int Index) const { return items_.at(static_cast<std::size_t>(Index)); }
    // Takes out every entry of Item; one that is not there is no fault.
    void Remove(T* Item) { items_.erase(std::remove(items_.begin(), items_.end(), Item), items_.end()); }

protected:
    std::vector<T*> items_;
};

} // namespace installlib
