#include "setup/tavixsetup/scripttexts.h"

namespace tavixsetup {

std::vector<std::string> LicenseAgreementLines()
{
    return {
        "TAVIX ELECTRONICS 1.01a - DEMO: END-USER LICENCE AGREEMENT",
        "",
        "1. This demo of Tavix Electronics may be installed and used free of charge on any number of computers.",
        "2. You may copy the unchanged setup and give it to others, free of charge. You may not sell it or include "
        "it in a product that is sold.",
        "3. The tables of parts, the repair hints and the help are provided for reference only. Always check a "
        "replacement part against the data sheets of its maker before you fit it.",
        "4. The program is provided as it is, without warranty of any kind. Tavixsoft is not liable for any damage "
        "that comes from using it or from being unable to use it.",
        "5. Removing the program with its uninstaller ends this licence on that computer.",
        "",
        "By choosing Next you accept these terms. Choose Cancel to end the setup.",
    };
}

std::vector<std::string> ReadmeLines()
{
    return {
        "Tavix Electronics 1.01a - Demo",
        "",
        "Contents",
        "  1. Installing and uninstalling",
        "  2. General view",
        "  3. History",
        "  4. System requirements",
        "  5. Help",
        "  6. FAQ",
        "  7. Questions",
        "",
        "1. Installing and uninstalling",
        "The setup copies the program, its tables, this help and the database engine. To remove the program, "
        "choose \"Uninstall Tavix Electronics - Demo\" in its program folder; the database engine stays, as other "
        "programs may use it.",
        "",
        "2. General view",
        "Tavix Electronics finds replacements for bipolar transistors, rectifier diodes and zener diodes by their "
        "three main ratings, shows each part's package, decodes resistor and polyester capacitor colour codes and "
        "keeps a database of repair hints.",
        "",
        "3. History",
        "  1.0    First release: transistors, rectifiers and zeners.",
        "  1.01   Colour-code calculators and the repair database.",
        "  1.01a  Package pictures for every part, the technical texts page and the HTML help.",
        "",
        "4. System requirements",
        "Windows 95, 98 or NT 4, 8 MB of memory, 10 MB of free disk space, a screen of 640 x 480 or more.",
        "",
        "5. Help",
        "Open \"Tavix Electronics Help\" in the program folder, or press Help in the program.",
        "",
        "6. FAQ",
        "Why does a part have no picture? Its package is not in the picture table yet.",
        "Can I add my own parts? Not in this demo: the tables are only read.",
        "",
        "7. Questions",
        "Send questions and suggestions to Tavixsoft; please name the version (1.01a).",
    };
}

} // namespace tavixsetup
