#include "app/CommandLine.h"

#include "app/TerminalText.h"

#include <cmath>
#include <cstdlib>

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
        } else if (!optionsEnded && word == "--text-scale") {
            const std::string value = i + 1 < arguments.size() ? arguments[++i] : std::string();
            char* end = nullptr;
            const double scale = value.empty() ? 0.0 : std::strtod(value.c_str(), &end);
            if (end != nullptr && *end == '\0' && std::isfinite(scale) && scale >= kMinTextScale
                && scale <= kMaxTextScale)
                scaleOfText = scale;
            else if (usageProblem.empty())
                usageProblem
                    = "option '--text-scale' needs a number from 0.5 to 4, not '" + TerminalText::escaped(value) + "'";
        } else if (!optionsEnded && (word == "--import" || word == "-f")) {
            if (i + 1 < arguments.size() && !arguments[i + 1].empty())
                importPath = arguments[++i];
            else if (usageProblem.empty())
                usageProblem = "option '" + word + "' needs an export file to read";
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
    } else if (!importPath.empty() && exporting) {
        chosen = Action::UsageError;
        usageProblem = "--import and --export cannot be used together";
    } else if (!importPath.empty() && folders != 0) {
        chosen = Action::UsageError;
        usageProblem = "--import shows the tree of its file: no folder can be given with it";
    } else if (!importPath.empty()) {
        exploreView = true;
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
    if (chosen != Action::ShowScene)
        importPath.clear();
}
