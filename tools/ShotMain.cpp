// lumenfold-shot: waits for a window by title, saves a PNG of it and sends it keys.
//   lumenfold-shot [--display :N] [--title TEXT] [--timeout SECONDS] [--delay SECONDS]
//                  [--out FILE.png] [--key KEYSYM]...
// The picture is taken first (after the delay), then the keys are tapped in order.
#include "tools/PngWriter.h"
#include "tools/XSession.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

struct ShotOptions {
    std::string display;
    std::string title = "Lumenfold";
    double timeoutSeconds = 20.0;
    double delaySeconds = 0.0;
    std::string outPath;
    std::vector<std::string> keys;
};

void printUsage()
{
    std::fprintf(stderr,
                 "usage: lumenfold-shot [--display :N] [--title TEXT] [--timeout SECONDS] [--delay SECONDS]\n"
                 "                      [--out FILE.png] [--key KEYSYM]...\n");
}

bool parseSeconds(const char* text, double& out)
{
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(value >= 0.0) || value > 3600.0)
        return false;
    out = value;
    return true;
}

bool parseArguments(int argc, char** argv, ShotOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "lumenfold-shot: %s needs a value\n", flag.c_str());
            return false;
        }
        const char* value = argv[++i];
        if (flag == "--display") {
            options.display = value;
        } else if (flag == "--title") {
            options.title = value;
        } else if (flag == "--out") {
            options.outPath = value;
        } else if (flag == "--key") {
            options.keys.emplace_back(value);
        } else if (flag == "--timeout" || flag == "--delay") {
            if (!parseSeconds(value, flag == "--timeout" ? options.timeoutSeconds : options.delaySeconds)) {
                std::fprintf(stderr, "lumenfold-shot: %s wants seconds between 0 and 3600, not \"%s\"\n", flag.c_str(),
                             value);
                return false;
            }
        } else {
            std::fprintf(stderr, "lumenfold-shot: unknown option %s\n", flag.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    ShotOptions options;
    if (!parseArguments(argc, argv, options)) {
        printUsage();
        return 2;
    }

    XSession session(options.display);
    if (!session.isOpen()) {
        std::fprintf(stderr, "lumenfold-shot: %s\n", session.error().c_str());
        return 1;
    }
    const auto window = session.findWindow(options.title, static_cast<int>(options.timeoutSeconds * 1000.0));
    if (window == 0) {
        std::fprintf(stderr, "lumenfold-shot: %s\n", session.error().c_str());
        return 1;
    }
    // Focus keeps the program drawing and makes it the target of the keys.
    session.focus(window);
    std::this_thread::sleep_for(std::chrono::duration<double>(options.delaySeconds));

    if (!options.outPath.empty()) {
        RgbImage picture;
        std::string error;
        if (!session.grab(window, picture)) {
            std::fprintf(stderr, "lumenfold-shot: cannot grab the window: %s\n", session.error().c_str());
            return 1;
        }
        if (!PngWriter::write(picture, options.outPath, error)) {
            std::fprintf(stderr, "lumenfold-shot: %s\n", error.c_str());
            return 1;
        }
        std::printf("Saved %dx%d picture of \"%s\" to %s\n", picture.width(), picture.height(), options.title.c_str(),
                    options.outPath.c_str());
    }

    for (const auto& key : options.keys) {
        if (!session.focus(window) || !session.tapKey(key)) {
            std::fprintf(stderr, "lumenfold-shot: cannot send %s: %s\n", key.c_str(), session.error().c_str());
            return 1;
        }
    }
    return 0;
}
