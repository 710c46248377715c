#include "bench/FigureTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

benchmark::BenchmarkReporter::Run run(const std::string& name, double seconds, benchmark::IterationCount iterations)
{
    benchmark::BenchmarkReporter::Run result;
    result.run_name.function_name = name;
    result.real_accumulated_time = seconds;
    result.cpu_accumulated_time = seconds;
    result.iterations = iterations;
    return result;
}

class FigureTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table.SetOutputStream(&console);
        table.SetErrorStream(&console);
    }

    std::string printed(int& missed)
    {
        std::FILE* file = std::tmpfile();
        missed = table.print(file);
        std::rewind(file);
        std::string text;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, file) != nullptr)
            text += buffer;
        std::fclose(file);
        return text;
    }

    std::ostringstream console;
    FigureTable table;
};

} // namespace

TEST_F(FigureTableTest, TimeRatioIsOursOverReferenceAndLowerIsBetter)
{
    table.ReportRuns({run("scan", 3.0, 10), run("find", 2.0, 10)});
    FigureTable::Row row;
    row.label = "tree";
    row.ours = "scan";
    row.reference = "find";
    row.targetRatio = 2.0;
    table.addSection({"Scan", "scan", "find", {row}});

    int missed = -1;
    const std::string text = printed(missed);
    EXPECT_EQ(missed, 0);
    EXPECT_NE(text.find("300 ms"), std::string::npos) << text;
    EXPECT_NE(text.find("200 ms"), std::string::npos) << text;
    EXPECT_NE(text.find("1.50"), std::string::npos) << text;
    EXPECT_NE(text.find("met"), std::string::npos) << text;
}

TEST_F(FigureTableTest, RateRatioMustReachTheTargetFromBelow)
{
    // 100 frames in 1 s against 100 frames in 0.5 s: half the bare rate.
    table.ReportRuns({run("drawn", 1.0, 100), run("bare", 0.5, 100)});
    FigureTable::Row row;
    row.label = "1000 entries";
    row.ours = "drawn";
    row.reference = "bare";
    row.measure = FigureTable::Measure::PerSecond;
    row.targetRatio = 0.9;
    table.addSection({"Frame", "drawn", "bare", {row}});

    int missed = -1;
    const std::string text = printed(missed);
    EXPECT_EQ(missed, 1);
    EXPECT_NE(text.find("0.50"), std::string::npos) << text;
    EXPECT_NE(text.find("MISSED"), std::string::npos) << text;
}

TEST_F(FigureTableTest, ThroughputComesFromTheBytesCounter)
{
    auto reader = run("reader", 2.0, 4);
    reader.counters["bytes"] = benchmark::Counter(50e6);
    table.ReportRuns({reader});
    double value = 0.0;
    ASSERT_TRUE(table.figure("reader", FigureTable::Measure::MegabytesPerSecond, value));
    EXPECT_DOUBLE_EQ(value, 100.0);
    EXPECT_FALSE(table.figure("absent", FigureTable::Measure::Milliseconds, value));
}

TEST_F(FigureTableTest, MissingOrFailedRunCountsAsAMissedTarget)
{
    auto failed = run("find", 1.0, 1);
    failed.error_occurred = true;
    table.ReportRuns({run("scan", 1.0, 1), failed});
    FigureTable::Row row;
    row.label = "tree";
    row.ours = "scan";
    row.reference = "find";
    row.targetRatio = 2.0;
    row.extraCounter = "bytes_per_node";
    row.extraUnit = "bytes/node";
    row.extraLimit = 300.0;
    table.addSection({"Scan", "scan", "find", {row}});

    int missed = -1;
    const std::string text = printed(missed);
    EXPECT_EQ(missed, 1);
    EXPECT_NE(text.find("failed"), std::string::npos) << text;
    EXPECT_NE(text.find("bytes/node unknown"), std::string::npos) << text;
}

TEST_F(FigureTableTest, ExtraCounterIsCheckedAgainstItsOwnLimit)
{
    auto scan = run("scan", 1.0, 1);
    scan.counters["bytes_per_node"] = benchmark::Counter(412.0);
    table.ReportRuns({scan, run("find", 1.0, 1)});
    FigureTable::Row row;
    row.label = "tree";
    row.ours = "scan";
    row.reference = "find";
    row.targetRatio = 2.0;
    row.extraCounter = "bytes_per_node";
    row.extraUnit = "bytes/node";
    row.extraLimit = 300.0;
    table.addSection({"Scan", "scan", "find", {row}});

    int missed = -1;
    const std::string text = printed(missed);
    EXPECT_EQ(missed, 1);
    EXPECT_NE(text.find("412 bytes/node (<= 300: MISSED)"), std::string::npos) << text;
}

TEST_F(FigureTableTest, OfRepeatedRunsTheFastestCountsAndFailuresAreIgnored)
{
    auto failed = run("scan", 0.001, 10);
    failed.error_occurred = true;
    table.ReportRuns({run("scan", 3.0, 10), run("scan", 2.0, 10), failed});
    table.ReportRuns({run("scan", 2.5, 10)});
    double value = 0.0;
    ASSERT_TRUE(table.figure("scan", FigureTable::Measure::Milliseconds, value));
    EXPECT_DOUBLE_EQ(value, 200.0);
}

TEST_F(FigureTableTest, BothFiguresCanComeFromCountersOfOurOwnRun)
{
    // Mean 0.3 s per frame, but the median counters say 0.2 s against 0.1 s.
    auto drawn = run("frame", 3.0, 10);
    drawn.counters["ours_seconds"] = benchmark::Counter(0.2);
    drawn.counters["reference_seconds"] = benchmark::Counter(0.1);
    table.ReportRuns({drawn});
    FigureTable::Row row;
    row.label = "1000 entries";
    row.ours = "frame";
    row.oursCounter = "ours_seconds";
    row.referenceCounter = "reference_seconds";
    row.measure = FigureTable::Measure::PerSecond;
    row.targetRatio = 0.9;
    table.addSection({"Frame", "drawn", "bare", {row}});

    double ours = 0.0;
    double reference = 0.0;
    ASSERT_TRUE(table.oursFigure(row, ours));
    ASSERT_TRUE(table.referenceFigure(row, reference));
    EXPECT_DOUBLE_EQ(ours, 5.0);
    EXPECT_DOUBLE_EQ(reference, 10.0);
    int missed = -1;
    const std::string text = printed(missed);
    EXPECT_EQ(missed, 1);
    EXPECT_NE(text.find("0.50"), std::string::npos) << text;
}

TEST_F(FigureTableTest, ACounterReadingZeroIsAFigureAndANegativeOneAFailure)
{
    // An idle window that used no processor time at all beside one that used some.
    auto idle = run("idle", 10.0, 1);
    idle.counters["ours_seconds"] = benchmark::Counter(0.0);
    idle.counters["reference_seconds"] = benchmark::Counter(0.25);
    auto broken = run("broken", 10.0, 1);
    broken.counters["ours_seconds"] = benchmark::Counter(-1.0);
    broken.counters["reference_seconds"] = benchmark::Counter(0.25);
    table.ReportRuns({idle, broken});
    FigureTable::Row row;
    row.ours = "idle";
    row.oursCounter = "ours_seconds";
    row.referenceCounter = "reference_seconds";
    row.targetRatio = 0.02;
    double ours = -1.0;
    ASSERT_TRUE(table.oursFigure(row, ours));
    EXPECT_EQ(ours, 0.0);
    FigureTable::Row failing = row;
    failing.ours = "broken";
    EXPECT_FALSE(table.oursFigure(failing, ours));
    table.addSection({"Idle", "ours", "plain", {row, failing}});
    int missed = -1;
    const std::string text = printed(missed);
    EXPECT_EQ(missed, 1) << text;
    EXPECT_NE(text.find("0.00"), std::string::npos) << text;
    EXPECT_NE(text.find("failed"), std::string::npos) << text;
}

TEST_F(FigureTableTest, AnyTimeAgainstAReferenceOfZeroMissesAndNoneMeets)
{
    auto idle = run("idle", 10.0, 1);
    idle.counters["some"] = benchmark::Counter(0.01);
    idle.counters["none"] = benchmark::Counter(0.0);
    table.ReportRuns({idle});
    FigureTable::Row row;
    row.ours = "idle";
    row.referenceCounter = "none";
    row.targetRatio = 0.02;
    std::vector<FigureTable::Row> rows;
    for (const char* ours : {"some", "none"}) {
        row.label = ours;
        row.oursCounter = ours;
        rows.push_back(row);
    }
    table.addSection({"Idle", "ours", "plain", rows});

    int missed = -1;
    const std::string text = printed(missed);
    EXPECT_EQ(missed, 1) << text;
    EXPECT_NE(text.find("inf"), std::string::npos) << text;
}

TEST_F(FigureTableTest, RowsOfBenchmarksFilteredOutShowNotRunAndMissNothing)
{
    FigureTable::Row row;
    row.label = "1000 entries";
    row.ours = "frame";
    row.oursCounter = "ours_seconds";
    row.referenceCounter = "reference_seconds";
    row.targetRatio = 0.9;
    table.addSection({"Frame", "drawn", "bare", {row}});

    int missed = -1;
    const std::string text = printed(missed);
    EXPECT_EQ(missed, 0);
    EXPECT_NE(text.find("not run"), std::string::npos) << text;
}

TEST_F(FigureTableTest, LengthsAreEqualWithinTheTargetShareOnEitherSide)
{
    auto walked = run("walk", 1.0, 1);
    walked.counters["fast"] = benchmark::Counter(6.2);
    walked.counters["slow"] = benchmark::Counter(6.0);
    walked.counters["far"] = benchmark::Counter(5.5);
    table.ReportRuns({walked});
    FigureTable::Row row;
    row.ours = "walk";
    row.measure = FigureTable::Measure::Units;
    row.targetRatio = 0.05;
    std::vector<FigureTable::Row> rows;
    for (const char* counter : {"fast", "far"}) {
        row.label = counter;
        row.oursCounter = counter;
        row.referenceCounter = "slow";
        rows.push_back(row);
    }
    table.addSection({"Walk", "ours", "slow", rows});

    int missed = -1;
    const std::string text = printed(missed);
    EXPECT_EQ(missed, 1) << text;
    EXPECT_NE(text.find("6.2 units"), std::string::npos) << text;
    EXPECT_NE(text.find("1 +- 0.05"), std::string::npos) << text;
}
