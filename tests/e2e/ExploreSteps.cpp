#include "tests/e2e/ExploreSteps.h"

#include "tests/e2e/TextReading.h"

namespace ExploreSteps {

namespace {

std::string alike(std::string text)
{
    for (char& c : text)
        c = c == 'l' || c == 'I' || c == '|' ? '1' : c == 'O' || c == 'o' ? '0' : c;
    return text;
}

} // namespace

::testing::AssertionResult start(ViewerSession& session)
{
    session.setArguments({"--explore"});
    if (!session.start())
        return ::testing::AssertionFailure() << session.error();
    if (!session.waitForWindow())
        return ::testing::AssertionFailure() << session.error();
    if (!session.movePointer(400, 50, 400, 30, false))
        return ::testing::AssertionFailure() << session.error();
    return ::testing::AssertionSuccess();
}

bool statusReads(ViewerSession& session, std::vector<std::string> parts, std::vector<std::string>& lines)
{
    for (std::string& part : parts)
        part = alike(part);
    return session.pollUntil(
        [&] {
            std::string error;
            lines = TextReading::statusLines(session.grab(), error);
            std::vector<std::string> read = lines;
            for (std::string& line : read)
                line = alike(line);
            return TextReading::hasLineWith(read, parts);
        },
        10000, 200);
}

} // namespace ExploreSteps
