#pragma once

// Reading S-parameter text into SParameterData. Nothing here touches the
// chart: the caller replaces the chart's curves only from a read that
// succeeded.

#include "viewer/app/sparam_data.h"

#include <string>
#include <string_view>
#include <vector>

namespace viewer {

// Line reader and tokeniser over the whole text of a file. Lines end in
// LF or CR LF. Comment lines met on the way are added to `memo`.
class TSParamTokenizer {
public:
    TSParamTokenizer(std::string_view text, std::vector<std::string>& memo);

    // Reads lines until one is neither empty nor a comment and makes it the
    // current line (leading blanks and tabs removed). Returns true when the
    // text ended without such a line; the current line is then empty.
    bool ReadDataLine();

    // Cuts the next blank- or tab-separated token from the current line,
    // reading on when the line is used up or the rest is a "!" comment.
    // Returns an empty token at the end of the text.
    std::string_view NextToken();

    // NextToken as a number; a token that is not a number, or the end of the
    // text, throws SParamReadError with the line number.
    double NextNumber();

    std::string_view CurrentLine() const { return line_; }
    int LineNumber() const { return lineNo_; }
    bool AtEnd() const { return pos_ >= text_.size(); }

private:
    bool readRawLine(std::string_view& out);

    std::string_view text_;
    std::size_t pos_ = 0;
    std::string_view line_;
    int lineNo_ = 0;
    std::vector<std::string>& memo_;
};

struct SParamReadResult {
    bool ok = false;
    std::string message; // the message box text on failure
    int line = 0; // line of an "Error in input file." failure
    std::string notice; // shown after a successful read (noise block dropped)
    SParameterData data;
};

// Reads the text of a file of `ports` ports (from its extension).
SParamReadResult ReadSParameterText(std::string_view text, int ports);

// Reads a file: port count from the extension, then the text.
SParamReadResult ReadSParameterFile(const std::string& path);

// Reads a whole file into `out`; false with `error` set when it cannot.
bool ReadWholeFile(const std::string& path, std::string& out, std::string& error);

} // namespace viewer
