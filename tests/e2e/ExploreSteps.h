#pragma once

#include "tests/e2e/ViewerSession.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Steps the explore view's end-to-end tests share.
namespace ExploreSteps {

// Starts the session's viewer with --explore, waits for its window and rests
// the pointer over empty space above the row, so nothing is selected and Tab
// starts at the first entry.
::testing::AssertionResult start(ViewerSession& session);

// Waits until the status band reads a line holding `parts`; the lines last
// read either way in `lines`. OCR reads a small "1" as "l" and "0" as "O" now
// and then: both sides are compared with those read alike.
bool statusReads(ViewerSession& session, std::vector<std::string> parts, std::vector<std::string>& lines);

} // namespace ExploreSteps
