// The panel's command line: which skin paints its windows. Portable, so
// that its rules are checked without a window.
#pragma once

#include <string>
#include <vector>

struct TPanelOptions {
    enum class TSkinChoice { Builtin, File, None };
    TSkinChoice Skin = TSkinChoice::Builtin;
    std::string SkinFile; // with TSkinChoice::File
    bool Help = false;
    // What was wrong with the command line; the panel then says so with the
    // help text and does not start.
    std::string Error;
};

// Words that are not options are passed over: the test driver tags each
// panel it starts with one so that it can tell its process from others.
TPanelOptions ParsePanelOptions(const std::vector<std::string>& args);

// The options, for the --help message box and the user guide.
extern const char* const kPanelUsage;
