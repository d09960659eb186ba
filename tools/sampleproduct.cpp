#include "tools/sampleproduct.h"

#include "tools/sampledata.h"
#include "tools/samplehelp.h"
#include "tools/samplepictures.h"

#include <stdexcept>
#include <string>

namespace sampledata {

namespace {

const char* const kReadme = R"({\rtf1\ansi\ansicpg1252\deff0
{\fonttbl{\f0\fswiss Arial;}{\f1\fmodern Courier New;}}
{\colortbl;\red0\green0\blue128;}
\paperw11906\paperh16838\margl1134\margr1134
\pard\sa120\cf1\b\f0\fs32 Tavix Electronics\cf0\b0\fs20\par
\pard\sa120\b Reading the tables\b0\par
\pard\sa120 Each part page shows one table: {\i transistores} for bipolar transistors, {\i diodosr} for rectifier diodes and {\i diodosz} for zener diodes. The grids on the left side show the original part; type its code in the quick-search box to move to it.\par
\pard\sa120 Ratings are the absolute maximum values of the data sheets: Vceo, Vcbo and Vebo in volts, Ic in amperes and Pd in watts for transistors; Vr in volts, If in milliamperes and Pd in milliwatts for rectifiers; Vz in volts, Iz in milliamperes and Pd in watts for zeners. A value 0 or "-" means that the data sheet gives none.\par
\pard\sa120\b Similar and nearest parts\b0\par
\pard\sa120 Choose for each rating how far above the original a replacement may go, then press \i Fetch similar/nearest\i0. At 0% only parts with the same three ratings are listed. Always check the package, the pin-out and the gain before you fit a replacement.\par
\pard\sa120\b Repairs\b0\par
\pard\sa120 The repair page keeps faults and their solutions by company, equipment and model. Notes on S\'e3o Paulo makers are kept in Portuguese.\par
}
)";

void makeFolder(const std::filesystem::path& dir)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        throw std::runtime_error(dir.string() + ": cannot create the folder: " + ec.message());
}

} // namespace

void writeSampleProduct(const std::filesystem::path& productFolder)
{
    const auto data = productFolder / "data";
    makeFolder(data);
    makeFolder(productFolder / "library");
    makeFolder(productFolder / "Help");

    // The old program ran under Windows code page 1252; the tables keep it.
    paradox::WriteOptions options;
    options.codePage = 1252;
    options.tableName = "transistores";
    paradox::writeTable(data / "transistores.DB", transistors(), options);
    options.tableName = "diodosr";
    paradox::writeTable(data / "diodosr.DB", rectifiers(), options);
    options.tableName = "diodosz";
    paradox::writeTable(data / "diodosz.DB", zeners(), options);
    options.tableName = "Reparos";
    paradox::writeTable(data / "Reparos.DB", repairs(), options);
    options.tableName = "graficos";
    paradox::writeTable(data / "graficos.DB", pictures(), options);

    writeReplacing(productFolder / "library" / "readme.rtf", kReadme);
    writeHelp(productFolder / "Help");
}

} // namespace sampledata
