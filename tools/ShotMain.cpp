// lumenfold-shot: waits for a window by title, saves a PNG of it, checks the
// symbols in its row of slots and sends it keys.
//   lumenfold-shot [--display :N] [--title TEXT] [--timeout SECONDS] [--delay SECONDS]
//                  [--out FILE.png] [--slots KINDS] [--key KEYSYM | --hold KEYSYM=SECONDS]...
// The picture is taken first (after the delay); --slots then waits up to the
// timeout for the start view to show one symbol per letter of KINDS (F a
// folder, f a file) and nothing after them; then the keys are sent in order,
// --key as a tap, --hold pressed for the given time.
#include "picture/PngWriter.h"
#include "tools/SlotProbe.h"
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
    std::string slotKinds;
    struct KeyAction {
        std::string key;
        double holdSeconds; // 0 for a tap
    };
    std::vector<KeyAction> keys;
};

constexpr int kSlotPollMs = 200;

void printUsage()
{
    std::fprintf(stderr,
                 "usage: lumenfold-shot [--display :N] [--title TEXT] [--timeout SECONDS] [--delay SECONDS]\n"
                 "                      [--out FILE.png] [--slots KINDS] [--key KEYSYM | --hold KEYSYM=SECONDS]...\n");
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
        } else if (flag == "--slots") {
            options.slotKinds = value;
            if (options.slotKinds.find_first_not_of("Ff") != std::string::npos) {
                std::fprintf(stderr, "lumenfold-shot: --slots wants letters F (folder) and f (file), not \"%s\"\n",
                             value);
                return false;
            }
        } else if (flag == "--key") {
            options.keys.push_back({value, 0.0});
        } else if (flag == "--hold") {
            const std::string text = value;
            const auto equals = text.find('=');
            double seconds = 0.0;
            if (equals == std::string::npos || equals == 0 || !parseSeconds(text.c_str() + equals + 1, seconds)) {
                std::fprintf(stderr, "lumenfold-shot: --hold wants KEYSYM=SECONDS, not \"%s\"\n", value);
                return false;
            }
            options.keys.push_back({text.substr(0, equals), seconds});
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

// Problems with the slots in `picture`, one per line; empty when every slot
// shows its kind and the slot after the last is empty.
std::string slotProblems(const RgbImage& picture, const std::string& kinds)
{
    const SlotProbe probe(picture.width(), picture.height());
    std::string problems;
    for (std::size_t i = 0; i <= kinds.size(); ++i) {
        const SlotProbe::Kind expected = i == kinds.size() ? SlotProbe::Kind::Empty
            : kinds[i] == 'F'                              ? SlotProbe::Kind::Folder
                                                           : SlotProbe::Kind::File;
        const SlotProbe::Kind shown = probe.kindAt(picture, i);
        if (shown != expected)
            problems += "slot " + std::to_string(i) + " shows " + SlotProbe::name(shown) + ", expected "
                + SlotProbe::name(expected) + "\n";
    }
    return problems;
}

bool checkSlots(XSession& session, XSession::WindowId window, const ShotOptions& options)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(options.timeoutSeconds);
    std::string problems = "no picture\n";
    do {
        RgbImage picture;
        if (session.grab(window, picture))
            problems = slotProblems(picture, options.slotKinds);
        if (problems.empty()) {
            std::printf("The %zu slots show %s, and nothing stands after them\n", options.slotKinds.size(),
                        options.slotKinds.c_str());
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kSlotPollMs));
    } while (std::chrono::steady_clock::now() < deadline);
    std::fprintf(stderr, "lumenfold-shot: the row does not show %s:\n%s", options.slotKinds.c_str(), problems.c_str());
    return false;
}

bool sendKey(XSession& session, XSession::WindowId window, const ShotOptions::KeyAction& action)
{
    if (!session.focus(window))
        return false;
    if (action.holdSeconds == 0.0)
        return session.tapKey(action.key);
    if (!session.key(action.key, true))
        return false;
    std::this_thread::sleep_for(std::chrono::duration<double>(action.holdSeconds));
    return session.key(action.key, false);
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

    if (!options.slotKinds.empty() && !checkSlots(session, window, options))
        return 1;

    for (const auto& action : options.keys) {
        if (!sendKey(session, window, action)) {
            std::fprintf(stderr, "lumenfold-shot: cannot send %s: %s\n", action.key.c_str(), session.error().c_str());
            return 1;
        }
    }
    return 0;
}
