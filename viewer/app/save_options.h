#pragma once

// The values of the save-options dialog and its rules, apart from the
// widgets: TSaveForm shows and edits one of these; the writer reads it.

#include <string>
#include <vector>

namespace viewer {

struct SaveOptions {
    int fileType = 1; // 0 "S1P", 1 "S2P", 2 "S3P", 3 "SNP"
    int portCount = 4; // 0..99, used with "SNP"
    bool portCountEnabled = false;
    int parameterType = 0; // 0 S, 1 Y, 2 Z, 3 H
    int dataFormat = 0; // 0 MA, 1 DB, 2 RI
    int digits = 5; // 0..7
    std::string freqUnits = "GHZ"; // shown only; the writer writes the data's unit
    std::string impedance = "50"; // Z0 as typed
    // Comment lines: filled by each read, written with every save.
    std::vector<std::string> memo { std::string() };
};

inline const char* const kFileTypeItems[] = { "S1P", "S2P", "S3P", "SNP" };
inline const char* const kParameterTypeItems[] = { "S parameters", "Y parameters", "Z parameters", "H parameters" };
inline const char* const kDataFormatItems[] = { "MA (Magnitude/Angle)", "DB (Log magnitude/Angle)", "RI  (u/v)" };
inline const char* const kFreqUnitItems[] = { "THZ", "GHZ", "MHZ", "KHZ", "HZ" };

// "SNP" enables the port count; a type with more ports than the data
// (dataPorts) falls back to dataPorts - 1.
void FileTypeClick(SaveOptions& o, int dataPorts);

// A port count above the data's is set back to it.
void PortCountChange(SaveOptions& o, int dataPorts);

// Step 1 of a save: the dialog follows the data's port count and, when the
// data has a file name, its format code.
void PrepareSaveOptions(SaveOptions& o, int dataPorts, bool named, int formatCode);

// The reference impedance typed in the dialog; false unless it is a number
// above zero.
bool ParseSaveImpedance(const std::string& text, double& z0);

// Empty when the options can be written for `dataPorts` ports, else the
// message to show (Y, Z or H for other than two ports, a bad Z0).
std::string CheckSaveOptions(const SaveOptions& o, int dataPorts);

// The extension the file dialog proposes: by file type, or for "SNP" by
// the port count.
std::string SaveExtension(const SaveOptions& o);

} // namespace viewer
