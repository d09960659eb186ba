#include "viewer/app/save_options.h"

#include "viewer/app/sparam_format.h"

namespace viewer {

void FileTypeClick(SaveOptions& o, int dataPorts)
{
    o.portCountEnabled = o.fileType == 3;
    if (dataPorts >= 1 && dataPorts <= o.fileType)
        o.fileType = dataPorts - 1;
}

void PortCountChange(SaveOptions& o, int dataPorts)
{
    if (o.portCount > dataPorts)
        o.portCount = dataPorts;
}

void PrepareSaveOptions(SaveOptions& o, int dataPorts, bool named, int formatCode)
{
    if (dataPorts < 1) {
        return;
    } else if (dataPorts < 4) {
        o.fileType = dataPorts - 1;
    } else {
        o.fileType = 3;
        o.portCount = dataPorts;
    }
    o.portCountEnabled = o.fileType == 3;
    if (named)
        o.dataFormat = formatCode;
}

bool ParseSaveImpedance(const std::string& text, double& z0)
{
    std::size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos)
        return false;
    std::size_t e = text.find_last_not_of(" \t");
    double v;
    if (!ParseNumber(std::string_view(text).substr(b, e - b + 1), v) || !(v > 0))
        return false;
    z0 = v;
    return true;
}

std::string CheckSaveOptions(const SaveOptions& o, int dataPorts)
{
    if (o.parameterType != 0 && dataPorts != 2) {
        static const char letters[] = "SYZH";
        return std::string(1, letters[o.parameterType & 3]) + msg::kTypeOnlyS2P;
    }
    double z0;
    if (!ParseSaveImpedance(o.impedance, z0))
        return msg::kBadImpedance;
    // A file of fewer ports is read back as part of the data only.
    const int chosen = o.fileType >= 0 && o.fileType <= 2 ? o.fileType + 1 : o.portCount;
    if (dataPorts >= 1 && chosen != dataPorts)
        return "The data has " + std::to_string(dataPorts) + (dataPorts == 1 ? " port" : " ports")
            + ": choose a file type of " + std::to_string(dataPorts) + (dataPorts == 1 ? " port." : " ports.");
    return {};
}

std::string SaveExtension(const SaveOptions& o)
{
    if (o.fileType >= 0 && o.fileType <= 2)
        return ProposedExtension(o.fileType + 1);
    return ProposedExtension(o.portCount);
}

} // namespace viewer
