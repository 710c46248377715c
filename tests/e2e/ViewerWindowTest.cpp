#include "tests/e2e/AxisReading.h"
#include "tools/ScreenProjection.h"
#include "tests/e2e/ViewerSession.h"
#include "tools/SlotProbe.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Probes on the left half and in the upper part, clear of the symbols' row.
constexpr int kGroundProbeColumnFraction = 8; // width / 8
constexpr int kVerticalProbeRowFraction = 6; // height / 6
constexpr double kPixelTolerance = 1.0;

struct AxisPrediction {
    double groundRow;
    double verticalColumn;
};

AxisPrediction predictAxes(int width, int height)
{
    const ScreenProjection projection = ScreenProjection::atStart(width, height);
    // The x axis is level and seen square on, so it crosses every column at the
    // origin's row; the y axis is vertical through the origin.
    const ScreenPoint origin = projection.project(Vector3(0.0f, 0.0f, 0.0f));
    const ScreenPoint yAxisHigh = projection.project(Vector3(0.0f, 5.0f, 0.0f));
    return AxisPrediction{origin.y, yAxisHigh.x};
}

bool axesAt(ViewerSession& session, int width, int height, AxisPrediction expected)
{
    const float row = AxisReading::groundAxisRow(session, width / kGroundProbeColumnFraction);
    const float column = AxisReading::verticalAxisColumn(session, height / kVerticalProbeRowFraction);
    return std::fabs(row - expected.groundRow) <= kPixelTolerance
        && std::fabs(column - expected.verticalColumn) <= kPixelTolerance;
}

} // namespace

TEST(ViewerWindow, OpensAn800By600WindowCaptionedLumenfold)
{
    ViewerSession session;
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();

    EXPECT_EQ(session.title(), "Lumenfold");
    WindowGeometry where;
    ASSERT_TRUE(session.geometry(where));
    EXPECT_EQ(where.width, 800);
    EXPECT_EQ(where.height, 600);
}

TEST(ViewerWindow, DrawsTheAxesWhereTheProjectionPutsThem)
{
    ViewerSession session;
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();

    // From (0, 1, 30) the ground axis is one unit below the eye at distance 30:
    // a level line just under the middle (row 317.3); the y axis is the middle column.
    const AxisPrediction expected = predictAxes(800, 600);
    EXPECT_NEAR(expected.groundRow, 317.32, 0.01);
    EXPECT_NEAR(expected.verticalColumn, 400.0, 0.01);

    const bool drawn = session.pollUntil([&] { return axesAt(session, 800, 600, expected); }, 10000);
    EXPECT_TRUE(drawn) << "ground axis at row " << AxisReading::groundAxisRow(session, 100) << ", expected "
                       << expected.groundRow << "; vertical axis at column "
                       << AxisReading::verticalAxisColumn(session, 100) << ", expected " << expected.verticalColumn;

    // Both axes run across the whole picture: the ground axis from edge to edge
    // on the left, the vertical axis from the top down to the ground axis.
    EXPECT_GE(AxisReading::groundAxisRow(session, 0), 0.0f);
    EXPECT_GE(AxisReading::verticalAxisColumn(session, 0), 0.0f);
}

TEST(ViewerWindow, ResizingTo640By480ReprojectsTheAxes)
{
    ViewerSession session;
    ASSERT_TRUE(session.addFile("notes.txt", "x")) << session.error();
    ASSERT_TRUE(session.start()) << session.error();
    ASSERT_TRUE(session.waitForWindow()) << session.error();
    ASSERT_TRUE(session.pollUntil([&] { return axesAt(session, 800, 600, predictAxes(800, 600)); }, 10000));

    ASSERT_TRUE(session.resize(640, 480)) << session.x()->error();

    const AxisPrediction expected = predictAxes(640, 480);
    const bool reprojected = session.pollUntil(
        [&] {
            WindowGeometry where;
            return session.geometry(where) && where.width == 640 && where.height == 480
                && axesAt(session, 640, 480, expected);
        },
        10000);
    EXPECT_TRUE(reprojected) << "ground axis at row " << AxisReading::groundAxisRow(session, 80) << ", expected "
                             << expected.groundRow << "; vertical axis at column "
                             << AxisReading::verticalAxisColumn(session, 80) << ", expected "
                             << expected.verticalColumn;
    // The same window and GL context go on, so the symbols' display lists still draw.
    const RgbImage picture = session.grab();
    EXPECT_EQ(SlotProbe(picture.width(), picture.height()).kindAt(picture, 0), SlotProbe::Kind::File);
    EXPECT_TRUE(session.isRunning()) << session.standardError();
}
