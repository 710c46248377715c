#include "app/CommandLine.h"

#include "app/TerminalText.h"

CommandLine::CommandLine(const std::vector<std::string>& arguments)
{
    bool help = false;
    bool version = false;
    bool optionsEnded = false;
    bool exporting = false;
    std::size_t folders = 0;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (word == "--help" || word == "-h")) {
            help = true;
        } else if (!optionsEnded && word == "--version") {
            version = true;
        } else if (!optionsEnded && (word == "--explore" || word == "-e")) {
            exploreView = true;
        } else if (!optionsEnded && word == "--map") {
            exploreView = true;
            mapView = true;
        } else if (!optionsEnded && (word == "--verbose" || word == "-v")) {
            verboseOutput = true;
        } else if (!optionsEnded && (word == "--one-file-system" || word == "-x")) {
            oneDevice = true;
        } else if (!optionsEnded && word == "--font") {
            if (i + 1 < arguments.size() && !arguments[i + 1].empty())
                fontPath = arguments[++i];
            else if (usageProblem.empty())
                usageProblem = "option '--font' needs a font file";
        } else if (!optionsEnded && word == "--export") {
            if (i + 1 < arguments.size() && !arguments[i + 1].empty()) {
                exportPath = arguments[++i];
                exporting = true;
            } else if (usageProblem.empty()) {
                usageProblem = "option '--export' needs a file to write";
            }
        } else if (!optionsEnded && word.size() > 1 && word[0] == '-') {
            // The first problem is the one reported.
            if (usageProblem.empty())
                usageProblem = "unknown option '" + TerminalText::escaped(word) + "'";
        } else {
            if (folders == 0)
                folderArgument = word;
            ++folders;
        }
    }

    if (!usageProblem.empty()) {
        chosen = Action::UsageError;
    } else if (help) {
        chosen = Action::ShowHelp;
    } else if (version) {
        chosen = Action::ShowVersion;
    } else if (exporting && exploreView) {
        chosen = Action::UsageError;
        usageProblem = "--export writes a file and opens no view: it cannot be used with --explore";
    } else if (exporting && folders != 1) {
        chosen = Action::UsageError;
        usageProblem = "--export needs one folder to scan: lumenfold --export FILE FOLDER";
    } else if (exporting) {
        chosen = Action::Export;
        folderGiven = true;
    } else if (folders > 1) {
        chosen = Action::UsageError;
        usageProblem = "only one folder can be shown, but " + std::to_string(folders) + " were given";
    } else {
        folderGiven = folders == 1;
    }
    if (chosen != Action::ShowScene && chosen != Action::Export) {
        folderArgument.clear();
        folderGiven = false;
    }
    if (chosen != Action::Export)
        exportPath.clear();
}
