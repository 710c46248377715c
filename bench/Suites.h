#pragma once

#include <string>

class FigureTable;
class TreeGenerator;

// Each suite makes its inputs, registers its benchmarks with Google Benchmark
// and adds its rows to the figure table. `quick` keeps only the small sizes.
// False, with a message on standard error, when an input cannot be made.
bool registerScanSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
bool registerFrameSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
bool registerStartupSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
bool registerModelSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
bool registerExploreSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
bool registerBackgroundSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
bool registerExploreTextSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
bool registerNavigateSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
bool registerExportSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
bool registerTypesSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
bool registerMapSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
bool registerLiveSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
// Only with --huge: ten million entries, in `keptRoot` when given (made
// there and kept if it does not exist yet, used as it is if it does).
bool registerHugeSuite(TreeGenerator& scratch, FigureTable& table, const std::string& keptRoot);
// Only with --cold: it drops the page cache, which needs root.
bool registerColdScanSuite(TreeGenerator& scratch, FigureTable& table, bool quick);
