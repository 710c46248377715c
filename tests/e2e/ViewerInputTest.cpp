#include "tests/e2e/AxisReading.h"
#include "tests/e2e/ViewerSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

namespace {

// Probes clear of the symbols' row: the left side for the ground axis, the
// upper part for the vertical axis.
constexpr int kGroundProbeColumn = 100;
constexpr int kVerticalProbeRow = 100;
// The viewer steps once per loop pass with no frame cap, so poll tightly while a key is held.
constexpr int kFastPollMs = 1;
constexpr double kPi = 3.14159265358979323846;

void startAndSettle(ViewerSession& session, float& groundRow, float& verticalColumn)
{
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.pollUntil(
        [&] {
            groundRow = AxisReading::groundAxisRow(session, kGroundProbeColumn);
            verticalColumn = AxisReading::verticalAxisColumn(session, kVerticalProbeRow);
            return groundRow > 0.0f && verticalColumn > 0.0f;
        },
        10000))
        << "the axes never showed";
}

// Reads until two readings in a row agree, within five seconds; settled holds the last one.
bool readSettled(ViewerSession& session, const std::function<float()>& read, float& settled)
{
    return session.pollUntil(
        [&] {
            const float first = read();
            settled = read();
            return first == settled;
        },
        5000);
}

} // namespace

TEST(ViewerInput, HoldingUpWalksForwardSoTheGroundAxisMovesDown)
{
    ViewerSession session;
    float rowBefore = -1.0f;
    float columnBefore = -1.0f;
    startAndSettle(session, rowBefore, columnBefore);

    ASSERT_TRUE(session.press("Up"));
    // Coming closer to the ground axis lowers it in the picture.
    const bool moved = session.pollUntil(
        [&] { return AxisReading::groundAxisRow(session, kGroundProbeColumn) > rowBefore + 3.0f; }, 10000, kFastPollMs);
    ASSERT_TRUE(session.release("Up"));
    ASSERT_TRUE(moved) << "the ground axis stayed at row " << rowBefore;

    // The release stops the walk: the picture holds still, still showing the axis,
    // and walking straight ahead leaves the vertical axis in the middle.
    float settled = -1.0f;
    ASSERT_TRUE(readSettled(
        session, [&] { return AxisReading::groundAxisRow(session, kGroundProbeColumn); }, settled));
    EXPECT_GT(settled, rowBefore + 3.0f);
    EXPECT_NEAR(AxisReading::verticalAxisColumn(session, kVerticalProbeRow), columnBefore, 1.0f);
}

TEST(ViewerInput, HoldingLeftTurnsLeftSoTheVerticalAxisMovesRight)
{
    ViewerSession session;
    float rowBefore = -1.0f;
    float columnBefore = -1.0f;
    startAndSettle(session, rowBefore, columnBefore);

    ASSERT_TRUE(session.press("Left"));
    const bool turned = session.pollUntil(
        [&] { return AxisReading::verticalAxisColumn(session, kVerticalProbeRow) > columnBefore + 3.0f; }, 10000,
        kFastPollMs);
    ASSERT_TRUE(session.release("Left"));
    ASSERT_TRUE(turned) << "the vertical axis stayed at column " << columnBefore;

    float settled = -1.0f;
    ASSERT_TRUE(readSettled(
        session, [&] { return AxisReading::verticalAxisColumn(session, kVerticalProbeRow); }, settled));
    EXPECT_GT(settled, columnBefore + 3.0f);
}

TEST(ViewerInput, F1LeavesTheViewerRunningAndDrawing)
{
    ViewerSession session;
    float rowBefore = -1.0f;
    float columnBefore = -1.0f;
    startAndSettle(session, rowBefore, columnBefore);

    ASSERT_TRUE(session.tapKey("F1"));

    // A frame-rate report comes only from a drawn frame, and the first one only
    // five seconds after start, well after F1 was handled.
    EXPECT_TRUE(session.waitForStandardOutput(" FPS\n", 15000)) << session.standardOutput();
    EXPECT_TRUE(session.isRunning()) << "exit code " << session.exitCode() << ", stderr: " << session.standardError();
    EXPECT_EQ(session.standardError(), "");
}

TEST(ViewerInput, HoldingBLooksBackUntilReleased)
{
    ViewerSession session;
    float rowBefore = -1.0f;
    float columnBefore = -1.0f;
    startAndSettle(session, rowBefore, columnBefore);

    // Looking back along +z, the ground axis through the origin is behind the eye.
    ASSERT_TRUE(session.press("b"));
    const bool lookedBack
        = session.pollUntil([&] { return AxisReading::groundAxisRow(session, kGroundProbeColumn) < 0.0f; }, 10000);
    ASSERT_TRUE(session.release("b"));
    ASSERT_TRUE(lookedBack) << "the ground axis stayed in view with B held";

    // Looking back never moved the eye: the picture returns exactly.
    ASSERT_TRUE(
        session.pollUntil([&] { return AxisReading::groundAxisRow(session, kGroundProbeColumn) == rowBefore; }, 10000))
        << "the view did not return after B was released";
    EXPECT_EQ(AxisReading::verticalAxisColumn(session, kVerticalProbeRow), columnBefore);
}

TEST(ViewerInput, DraggingRightWithTheButtonHeldTurnsRightAndPlainMotionDoesNot)
{
    ViewerSession session;
    float rowBefore = -1.0f;
    float columnBefore = -1.0f;
    startAndSettle(session, rowBefore, columnBefore);

    // 200 pixels of plain motion, then a 100-pixel drag to the right. Only the
    // drag turns: 100 x 0.1 x 2 = 20 degrees to the right, which puts the
    // vertical axis 20 degrees left of the view's centre.
    ASSERT_TRUE(session.movePointer(300, 400, 500, 400, false)) << session.error();
    ASSERT_TRUE(session.movePointer(300, 400, 400, 400, true)) << session.error();

    const double halfWidth = 400.0;
    const double tanHalfFovX = std::tan(30.0 * kPi / 180.0) * 4.0 / 3.0;
    const double expected = halfWidth - halfWidth * std::tan(20.0 * kPi / 180.0) / tanHalfFovX;
    // The viewer may take the ten motion events over several passes, so wait
    // for the whole turn, then check that it holds there and does not go on.
    float turned = -1.0f;
    const bool reached = session.pollUntil(
        [&] {
            turned = AxisReading::verticalAxisColumn(session, kVerticalProbeRow);
            return std::fabs(turned - expected) <= 1.5;
        },
        10000);
    ASSERT_TRUE(reached) << "the vertical axis reached column " << turned << ", not " << expected;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_NEAR(AxisReading::verticalAxisColumn(session, kVerticalProbeRow), expected, 1.5);
}

TEST(ViewerInput, WhileAnotherWindowHasTheFocusTheViewerSleepsAndAHeldKeyDoesNotMoveIt)
{
    ViewerSession session;
    float rowBefore = -1.0f;
    float columnBefore = -1.0f;
    startAndSettle(session, rowBefore, columnBefore);

    // Walking with Up held when another program's window, beside the viewer's,
    // takes the pointer: the viewer is inactive and draws nothing.
    ASSERT_TRUE(session.press("Up"));
    const bool walking = session.pollUntil(
        [&] { return AxisReading::groundAxisRow(session, kGroundProbeColumn) > rowBefore + 3.0f; }, 10000, kFastPollMs);
    const XSession::WindowId other = session.x()->createWindow(900, 100, 200, 200);
    ASSERT_NE(other, 0u) << session.x()->error();
    ASSERT_TRUE(session.x()->movePointer(other, 100, 100, 100, 100, false)) << session.x()->error();
    ASSERT_TRUE(walking) << "Up never moved the view";

    const double cpuBefore = session.cpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double cpuUsed = session.cpuSeconds() - cpuBefore;
    // Whatever the viewer drew before it saw the pointer go shows by now.
    const float rowAway = AxisReading::groundAxisRow(session, kGroundProbeColumn);
    const float columnAway = AxisReading::verticalAxisColumn(session, kVerticalProbeRow);

    // The other window takes the keyboard too, Up is let go there, and the
    // viewer gets both back: it draws again from where the camera stood.
    ASSERT_TRUE(session.x()->focus(other)) << session.x()->error();
    ASSERT_TRUE(session.release("Up"));
    ASSERT_TRUE(session.focus()) << session.x()->error();
    // Looking back while b is held shows that it draws again; let go, the
    // picture is the one it left, unless the camera moved meanwhile.
    ASSERT_TRUE(session.press("b"));
    const auto axes = [&] {
        return std::pair(AxisReading::groundAxisRow(session, kGroundProbeColumn),
                         AxisReading::verticalAxisColumn(session, kVerticalProbeRow));
    };
    EXPECT_TRUE(session.pollUntil([&] { return axes() != std::pair(rowAway, columnAway); }, 10000))
        << "the viewer did not draw again";
    ASSERT_TRUE(session.release("b"));
    float rowBack = -1.0f;
    float columnBack = -1.0f;
    session.pollUntil(
        [&] {
            std::tie(rowBack, columnBack) = axes();
            return rowBack == rowAway && columnBack == columnAway;
        },
        5000);

    std::printf("[ figures  ] CPU %.2f s over 2 s inactive; ground axis row %.1f -> %.1f, vertical axis column %.1f -> "
                "%.1f\n",
                cpuUsed, rowAway, rowBack, columnAway, columnBack);
    EXPECT_LT(cpuUsed, 0.1);
    EXPECT_EQ(rowBack, rowAway);
    EXPECT_EQ(columnBack, columnAway);
    EXPECT_TRUE(session.x()->destroyWindow(other));
}
