#include "app/CommandLine.h"

#include <gtest/gtest.h>

TEST(CommandLine, ExploreVerboseAndFontAreReadInAnyOrderBesideTheFolder)
{
    const CommandLine given({"-v", "Projects", "--font", "/fonts/a b.ttf", "-e"});
    EXPECT_EQ(given.action(), CommandLine::Action::ShowScene);
    EXPECT_TRUE(given.explore());
    EXPECT_TRUE(given.verbose());
    EXPECT_EQ(given.fontFile(), "/fonts/a b.ttf");
    EXPECT_EQ(given.folder(), "Projects");

    const CommandLine plain({"Projects"});
    EXPECT_FALSE(plain.explore());
    EXPECT_FALSE(plain.verbose());
    EXPECT_EQ(plain.fontFile(), "");

    // After "--" the words are folders.
    const CommandLine ended({"--explore", "--", "--verbose"});
    EXPECT_TRUE(ended.explore());
    EXPECT_FALSE(ended.verbose());
    EXPECT_EQ(ended.folder(), "--verbose");
}

TEST(CommandLine, MapStartsTheExploreViewWithTheMapOnlyBeforeTheEndOfOptions)
{
    const CommandLine map({"Projects", "--map"});
    EXPECT_EQ(map.action(), CommandLine::Action::ShowScene);
    EXPECT_TRUE(map.explore());
    EXPECT_TRUE(map.map());
    EXPECT_EQ(map.folder(), "Projects");

    EXPECT_FALSE(CommandLine({"--explore", "Projects"}).map());
    EXPECT_FALSE(CommandLine({"Projects"}).map());
    const CommandLine ended({"--", "--map"});
    EXPECT_FALSE(ended.explore());
    EXPECT_FALSE(ended.map());
    EXPECT_EQ(ended.folder(), "--map");
    EXPECT_EQ(CommandLine({"--map", "--export", "out.json", "Projects"}).action(), CommandLine::Action::UsageError);
}

TEST(CommandLine, FontWithoutAFileIsAUsageError)
{
    for (const auto& words : {std::vector<std::string>{"--explore", "--font"}, {"--font", "", "Projects"}}) {
        const CommandLine wrong(words);
        EXPECT_EQ(wrong.action(), CommandLine::Action::UsageError);
        EXPECT_EQ(wrong.problem(), "option '--font' needs a font file");
    }
}

TEST(CommandLine, OneFileSystemIsAskedForInEitherFormOnlyBeforeTheEndOfOptions)
{
    EXPECT_TRUE(CommandLine({"-x", "/"}).oneFileSystem());
    EXPECT_TRUE(CommandLine({"--explore", "--one-file-system"}).oneFileSystem());
    const CommandLine ended({"--", "-x"});
    EXPECT_FALSE(ended.oneFileSystem());
    EXPECT_EQ(ended.folder(), "-x");
}

TEST(CommandLine, ExportTakesItsFileAndExactlyOneFolderAndNoView)
{
    const CommandLine given({"-x", "--export", "-", "--", "-odd"});
    EXPECT_EQ(given.action(), CommandLine::Action::Export);
    EXPECT_EQ(given.exportFile(), "-");
    EXPECT_EQ(given.folder(), "-odd");
    EXPECT_TRUE(given.oneFileSystem());

    struct Wrong {
        std::vector<std::string> words;
        const char* problem;
    };
    for (const Wrong& wrong :
         {Wrong{{"--export"}, "option '--export' needs a file to write"},
          Wrong{{"--export", "out.json"}, "--export needs one folder to scan: lumenfold --export FILE FOLDER"},
          Wrong{{"--export", "out.json", "a", "b"},
                "--export needs one folder to scan: lumenfold --export FILE FOLDER"},
          Wrong{{"-e", "--export", "out.json", "a"},
                "--export writes a file and opens no view: it cannot be used with --explore"}}) {
        const CommandLine line(wrong.words);
        EXPECT_EQ(line.action(), CommandLine::Action::UsageError);
        EXPECT_EQ(line.problem(), wrong.problem);
        EXPECT_EQ(line.exportFile(), "");
    }
    // Help still wins, and a plain command line has no export.
    EXPECT_EQ(CommandLine({"--export", "f", "a", "--help"}).action(), CommandLine::Action::ShowHelp);
    EXPECT_EQ(CommandLine({"a"}).exportFile(), "");
}

TEST(CommandLine, ImportTakesItsFileOpensTheExploreViewAndTakesNoFolder)
{
    for (const char* option : {"--import", "-f"}) {
        const CommandLine given({option, "server.json.gz", "-v"});
        EXPECT_EQ(given.action(), CommandLine::Action::ShowScene);
        EXPECT_EQ(given.importFile(), "server.json.gz");
        EXPECT_TRUE(given.explore());
        EXPECT_FALSE(given.hasFolder());
    }
    EXPECT_EQ(CommandLine({"-f", "-"}).importFile(), "-");
    EXPECT_EQ(CommandLine({"--import"}).problem(), "option '--import' needs an export file to read");
    EXPECT_EQ(CommandLine({"-f", "a.json", "Projects"}).action(), CommandLine::Action::UsageError);
    EXPECT_EQ(CommandLine({"-f", "a.json", "--export", "b.json", "Projects"}).action(),
              CommandLine::Action::UsageError);
    EXPECT_TRUE(CommandLine({"Projects"}).importFile().empty());
}
