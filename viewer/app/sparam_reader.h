#pragma once

// Reading S-parameter text into SParameterData. Nothing here touches the
// chart: the caller replaces the chart's curves only from a read that
// succeeded.

#include "viewer/app/sparam_data.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace viewer {

// Line reader and tokeniser over the text of a file, held whole or read
// block by block from an open file. Lines end in LF or CR LF. Comment lines
// met on the way are added to `memo`.
class TSParamTokenizer {
public:
    TSParamTokenizer(std::string_view text, std::vector<std::string>& memo);
    // Reads from `file` (left open); an I/O error throws like a bad number.
    TSParamTokenizer(std::FILE* file, std::vector<std::string>& memo);
    TSParamTokenizer(const TSParamTokenizer&) = delete;
    TSParamTokenizer& operator=(const TSParamTokenizer&) = delete;

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
    // Offset of the current line in the text, and the text's size (0 when
    // the file's size is unknown).
    std::size_t LineOffset() const { return lineOffset_; }
    std::size_t TextSize() const { return size_; }

private:
    static constexpr std::size_t kBlock = 1 << 20;
    bool readRawLine(std::string_view& out);
    bool refill();

    std::FILE* file_ = nullptr;
    std::string buf_; // the block buffer when reading from a file
    bool eof_ = false;
    std::size_t consumed_ = 0; // bytes of the file before buf_
    std::size_t size_ = 0;
    std::string_view text_; // the whole text, or the filled part of buf_
    std::size_t pos_ = 0;
    std::size_t lineOffset_ = 0;
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
// Reads an open file (left open) of `ports` ports block by block, from
// where it stands.
SParamReadResult ReadSParameterFile(std::FILE* file, int ports);

} // namespace viewer
