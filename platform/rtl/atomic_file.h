#pragma once

// Replacing a file so that a failure, or a kill half-way, leaves the old
// file as it was: the new text goes to a temporary file beside the target,
// which is synced and then renamed over it.
//
// The temporary file is named after its target, "<name>.~tmp" followed by
// six characters, and is locked while it is written. A temporary file of
// that form which nobody holds and that has not changed for a while is one
// a killed save left behind: the next save of the same target removes it.

#include <functional>
#include <string>
#include <string_view>

namespace rtl {

using TextSink = std::function<void(std::string_view)>;

// Writes `path` with what `produce` sends to the sink. `produce` returns an
// error text to give up; the old file then stays. Returns an empty text on
// success, else a message naming the file. A new file gets the usual mode,
// a replaced one keeps its own. A symbolic link is written through: its
// target is replaced and the link stays; a link that leads to no file is
// an error.
std::string WriteFileAtomically(const std::string& path, const std::function<std::string(const TextSink&)>& produce);

// The same for a text held whole.
std::string WriteFileAtomically(const std::string& path, std::string_view text);

// Removes what killed saves of `path` left behind (see above); returns how
// many files were removed.
int RemoveStaleTemporaryFiles(const std::string& path);

// The prefix of the temporary files of `path` ("<path>.~tmp").
std::string TemporaryFilePrefix(const std::string& path);

} // namespace rtl
