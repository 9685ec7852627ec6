#include "app/paneloptions.h"

const char* const kPanelUsage = "orvane-panel [--skin FILE | --no-skin] [--help]\n"
                                "\n"
                                "--skin FILE\tpaint the windows with the skin package FILE\n"
                                "\t\tinstead of the built-in skin\n"
                                "--no-skin\tuse the system's own window frame and controls\n"
                                "--help\t\tshow this text\n"
                                "\n"
                                "Without options the panel opens in its built-in skin.";

TPanelOptions ParsePanelOptions(const std::vector<std::string>& args)
{
    TPanelOptions o;
    bool skinGiven = false;
    for (size_t i = 0; i < args.size() && o.Error.empty(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h" || a == "/?") {
            o.Help = true;
        } else if (a == "--skin" || a == "--no-skin" || a.rfind("--skin=", 0) == 0) {
            std::string file = a.rfind("--skin=", 0) == 0 ? a.substr(7) : "";
            if (a == "--skin" && i + 1 < args.size()) file = args[++i];
            if (skinGiven) {
                o.Error = "give --skin or --no-skin once";
            } else if (a == "--no-skin") {
                o.Skin = TPanelOptions::TSkinChoice::None;
            } else if (file.empty()) {
                o.Error = "--skin needs the file of a skin package";
            } else {
                o.Skin = TPanelOptions::TSkinChoice::File;
                o.SkinFile = file;
            }
            skinGiven = true;
        } else if (!a.empty() && a[0] == '-') {
            o.Error = "unknown option '" + a + "'";
        }
    }
    return o;
}
