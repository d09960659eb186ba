#pragma once

#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace tavix::testing {

// How many renames onto Name the inotify descriptor Watch (non-blocking,
// watching IN_MOVED_TO on the folder) has seen since it was last read: a
// store written to a temporary file and renamed over the old one counts one
// save each.
inline int renamesOnto(int Watch, const char* Name)
{
    int count = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = read(Watch, buffer, sizeof buffer)) > 0;)
        for (char* at = buffer; at < buffer + n;) {
            auto* event = reinterpret_cast<inotify_event*>(at);
            count += (event->mask & IN_MOVED_TO) && event->len && std::strcmp(event->name, Name) == 0;
            at += sizeof(inotify_event) + event->len;
        }
    return count;
}

} // namespace tavix::testing
