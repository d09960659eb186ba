#pragma once

// A help file of the programs: a small text file that names the help's
// title and maps each help context to an HTML page kept beside it.
//
//     ; comment
//     [Options]
//     Title=Rivelle Help
//     [Map]
//     1=help/contents.html
//     2=help/capture.html
//
// Pages are named relative to the help file's folder. A context that the
// map does not list shows the first one listed (the contents).

#include <map>
#include <optional>
#include <string>

namespace help {

class THelpFile {
public:
    // Reads `path`; on failure returns nothing and sets `error` to a text
    // for the user.
    static std::optional<THelpFile> Open(const std::string& path, std::string& error);
    // Reads the text of a help file kept in `folder`.
    static std::optional<THelpFile> Parse(const std::string& text, const std::string& folder, std::string& error);

    const std::string& Title() const { return title_; }
    // The full path of the page for `context`: the contents when the map
    // does not list it.
    std::string PageFor(int context) const;
    bool HasContext(int context) const { return pages_.count(context) != 0; }
    int ContentsContext() const { return contents_; }

private:
    std::string title_;
    std::map<int, std::string> pages_;
    int contents_ = 0;
};

} // namespace help
