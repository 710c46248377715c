#pragma once

#include <string>
#include <vector>

// What the program was asked to do by its arguments (argv without the program
// name). Only reads the words: whether the folder exists is checked later.
//
//   lumenfold [--help | -h | --version] [-e | --explore] [--map] [-v | --verbose]
//             [-x | --one-file-system] [--font FILE] [--text-scale N] [--] [FOLDER]
//   lumenfold --export FILE [-x] [--] FOLDER
//   lumenfold --import FILE [--verbose] [--font FILE]   (or -f FILE)
//
// "--" ends the options, so that a folder whose name begins with '-' can be
// given; a lone "-" is a folder name.
class CommandLine {
public:
    enum class Action { ShowScene, ShowHelp, ShowVersion, UsageError, Export };

    explicit CommandLine(const std::vector<std::string>& arguments);

    Action action() const { return chosen; }
    // The folder to show (or to export); empty when none was given (ShowScene
    // and Export only).
    const std::string& folder() const { return folderArgument; }
    bool hasFolder() const { return folderGiven; }
    // What is wrong, for "lumenfold: <problem>" (UsageError only); words
    // from the command line in it are escaped for the terminal.
    const std::string& problem() const { return usageProblem; }

    // The explore view instead of the plain one (also with --import or --map).
    bool explore() const { return exploreView; }
    // The explore view starts with the map rather than the row.
    bool map() const { return mapView; }
    // Model loading and frame-rate lines on the console in the explore view.
    bool verbose() const { return verboseOutput; }
    // The font file given with --font; empty for the default font. Whether
    // it can be used is checked where the font is opened.
    const std::string& fontFile() const { return fontPath; }
    // The scan stays on the file system of FOLDER.
    bool oneFileSystem() const { return oneDevice; }
    // Where --export writes FOLDER's tree; "-" for standard output (Export only).
    const std::string& exportFile() const { return exportPath; }
    // The explore view's text scale given with --text-scale, or 0 for the display's.
    static constexpr double kMinTextScale = 0.5;
    static constexpr double kMaxTextScale = 4.0;
    double textScale() const { return scaleOfText; }

    // The export file --import shows ("-": standard input); empty otherwise.
    const std::string& importFile() const { return importPath; }

private:
    Action chosen = Action::ShowScene;
    std::string folderArgument;
    bool folderGiven = false;
    std::string usageProblem;
    bool exploreView = false;
    bool mapView = false;
    bool verboseOutput = false;
    std::string fontPath;
    bool oneDevice = false;
    std::string exportPath;
    double scaleOfText = 0.0;
    std::string importPath;
};
