#include "types/MimeDescriptions.h"
#include "types/MimeDirectories.h"
#include "types/TypeDatabase.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kSystemFolders{"/usr/share/mime/"};

// What the desktop's own lookup gives for each name from the name alone,
// through python3-gi; one line per name. Names travel as bytes, so invalid
// UTF-8 reaches it as it is.
std::vector<std::string> referenceTypes(const std::vector<std::string>& names)
{
    const fs::path dir = fs::temp_directory_path() / ("lumenfold-types-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    {
        std::ofstream list(dir / "names", std::ios::binary);
        for (const std::string& name : names)
            list << name << '\n';
        std::ofstream script(dir / "guess.py");
        script << "import sys\n"
                  "from gi.repository import Gio\n"
                  "for line in open(sys.argv[1], 'rb').read().split(b'\\n')[:-1]:\n"
                  "    name = line.decode('utf-8', 'surrogateescape')\n"
                  "    print(Gio.content_type_guess(name, None)[0])\n";
    }
    const std::string command = "/usr/bin/python3 " + (dir / "guess.py").string() + " " + (dir / "names").string();
    std::vector<std::string> types;
    if (std::FILE* out = ::popen(command.c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, out) != nullptr) {
            std::string type(line);
            if (!type.empty() && type.back() == '\n')
                type.pop_back();
            types.push_back(type);
        }
        ::pclose(out);
    }
    fs::remove_all(dir);
    return types;
}

// Distinct names of files below /usr, every k-th of them in byte order, so
// the same machine always gives the same list.
std::vector<std::string> namesFromUsr(std::size_t wanted)
{
    std::set<std::string> names;
    std::error_code error;
    for (fs::recursive_directory_iterator it("/usr", fs::directory_options::skip_permission_denied, error), end;
         it != end && !error; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.find('\n') == std::string::npos)
            names.insert(name);
    }
    std::vector<std::string> all(names.begin(), names.end());
    std::vector<std::string> out;
    const std::size_t step = std::max<std::size_t>(1, all.size() / wanted);
    for (std::size_t i = 0; i < all.size() && out.size() < wanted; i += step)
        out.push_back(all[i]);
    return out;
}

bool hasReference()
{
    return fs::exists("/usr/bin/python3") && fs::exists("/usr/share/mime/globs2");
}

} // namespace

TEST(TypeDatabase, NamesOfTheTableTypeAsTheDesktopDoes)
{
    if (!hasReference())
        GTEST_SKIP() << "needs shared-mime-info and python3-gi (tools/install-deps.sh test)";
    const auto database = TypeDatabase::readFolders(kSystemFolders, {});
    const std::vector<std::string> names{
        "photo.JPG", "archive.tar.gz", "Makefile", "README",          ".bashrc", "x.tar.zst", "core",
        "Core",      ".png",           "tar.gz",   "bad\xff\xfe.txt", "main.c",  "main.C",    "x.GS",
        "foo~",      "lib.so.1",       "a.1",      "Makefile.in",     "x.key",   "",          "a.",
        "x.TAR.GZ",  "README.txt~",    "123.vdr",  "notes.txt"};
    const std::vector<std::string> reference = referenceTypes(names);
    ASSERT_EQ(reference.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(database->typeName(database->typeOfName(names[i])), reference[i]) << "name '" << names[i] << "'";
    // The table's own expectations, so a reference that changed shows here.
    EXPECT_EQ(reference[0], "image/jpeg");
    EXPECT_EQ(reference[1], "application/x-compressed-tar");
    EXPECT_EQ(reference[6], "application/x-core");
}

TEST(TypeDatabase, TenThousandNamesFromUsrTypeAsTheDesktopDoes)
{
    if (!hasReference())
        GTEST_SKIP() << "needs shared-mime-info and python3-gi (tools/install-deps.sh test)";
    const auto database = TypeDatabase::readFolders(kSystemFolders, {});
    const std::vector<std::string> names = namesFromUsr(10000);
    ASSERT_GE(names.size(), 5000u);
    const std::vector<std::string> reference = referenceTypes(names);
    ASSERT_EQ(reference.size(), names.size());
    std::size_t disagreements = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string ours = database->typeName(database->typeOfName(names[i]));
        if (ours != reference[i] && ++disagreements <= 20)
            ADD_FAILURE() << "'" << names[i] << "': " << ours << ", the desktop says " << reference[i];
    }
    EXPECT_EQ(disagreements, 0u) << "of " << names.size() << " names";
}

namespace {

// A database folder of the test's own: globs2 and one type file.
struct ScratchFolder {
    explicit ScratchFolder(const std::string& leaf)
        : path((fs::temp_directory_path() / ("lumenfold-mime-" + std::to_string(::getpid()) + "-" + leaf)).string()
               + "/")
    {
        fs::create_directories(path);
    }
    ~ScratchFolder() { fs::remove_all(path); }
    void write(const std::string& name, const std::string& text) const
    {
        fs::create_directories(fs::path(path + name).parent_path());
        std::ofstream(path + name, std::ios::binary) << text;
    }
    std::string path;
};

} // namespace

TEST(TypeDatabase, HigherFoldersWinAndTakeBackLowerPatterns)
{
    ScratchFolder user("user");
    ScratchFolder system("system");
    user.write("globs2",
               "50:text/x-mine:*.gz\n"
               "50:image/x-gone:__NOGLOBS__\n"
               "50:text/x-exact:Build:cs\n"
               "50:text/x-exact:Build\n");
    system.write("globs2",
                 "# comment\n"
                 "50:application/gzip:*.gz\n"
                 "80:image/x-gone:*.gone\n"
                 "50:text/x-lower:*.low\n"
                 "not a line\n"
                 "x:text/bad:*.bad\n");
    const auto database = TypeDatabase::readFolders({user.path, system.path}, {});
    const auto typeOf = [&](const char* name) { return database->typeName(database->typeOfName(name)); };
    // The user's folder is listed first: its pattern wins the tie.
    EXPECT_EQ(typeOf("a.gz"), "text/x-mine");
    // __NOGLOBS__ takes back the system's pattern for that type.
    EXPECT_EQ(typeOf("a.gone"), "application/octet-stream");
    EXPECT_EQ(typeOf("A.LOW"), "text/x-lower");
    // A case-sensitive literal, also listed without the flag, keeps its case.
    EXPECT_EQ(typeOf("Build"), "text/x-exact");
    EXPECT_EQ(typeOf("build"), "application/octet-stream");
    EXPECT_EQ(typeOf("x.bad"), "application/octet-stream");
    // Without any folder nothing has a pattern, and nothing crashes.
    const auto none = TypeDatabase::readFolders({"/nonexistent/"}, {});
    EXPECT_FALSE(none->hasPatterns());
    EXPECT_EQ(none->typeName(none->typeOfName("a.png")), "application/octet-stream");
}

TEST(TypeDatabase, EntriesWithoutAPatternTypeByKindModeAndSize)
{
    const auto database = TypeDatabase::readFolders(kSystemFolders, {});
    const auto typeOf = [&](EntryKind kind, std::int32_t mode, std::uint64_t size) {
        return database->typeName(database->typeOf("nameless", kind, mode, size));
    };
    EXPECT_EQ(typeOf(EntryKind::Folder, S_IFDIR | 0755, 4096), "inode/directory");
    EXPECT_EQ(typeOf(EntryKind::FileLink, S_IFREG | 0644, 10), "inode/symlink");
    EXPECT_EQ(typeOf(EntryKind::Other, S_IFIFO | 0644, 0), "inode/fifo");
    EXPECT_EQ(typeOf(EntryKind::File, S_IFREG | 0755, 10), "application/x-executable");
    EXPECT_EQ(typeOf(EntryKind::File, S_IFREG | 0644, 0), "application/x-zerosize");
    EXPECT_EQ(typeOf(EntryKind::File, S_IFREG | 0644, 10), "application/octet-stream");
    // A name that matches wins over the mode.
    EXPECT_EQ(database->typeName(database->typeOf("run.sh", EntryKind::File, S_IFREG | 0755, 10)),
              "application/x-shellscript");
}

TEST(TypeDatabase, TypesFallIntoTheirGroups)
{
    const auto database = TypeDatabase::readFolders(kSystemFolders, {});
    const std::map<std::string, TypeGroup> expected{
        {"a.png", TypeGroup::Image},       {"a.svg", TypeGroup::Image},      {"a.mkv", TypeGroup::Video},
        {"a.flac", TypeGroup::Audio},      {"a.tar.gz", TypeGroup::Archive}, {"a.zip", TypeGroup::Archive},
        {"a.tar.zst", TypeGroup::Archive}, {"a.pdf", TypeGroup::Document},   {"a.odt", TypeGroup::Document},
        {"a.docx", TypeGroup::Document},   {"a.epub", TypeGroup::Document},  {"a.cpp", TypeGroup::Text},
        {"a.json", TypeGroup::Text},       {"a.pl", TypeGroup::Text},        {"a.sh", TypeGroup::Text},
        {"lib.so", TypeGroup::Executable}, {"a.exe", TypeGroup::Executable}, {"a.ttf", TypeGroup::Font},
        {"a.deb", TypeGroup::Package},     {"a.jar", TypeGroup::Package},    {"a.apk", TypeGroup::Package},
        {"a.unknown", TypeGroup::Other},
    };
    for (const auto& [name, group] : expected)
        EXPECT_EQ(groupName(database->group(database->typeOfName(name))), groupName(group)) << name;
    EXPECT_EQ(database->group(database->typeOf("x", EntryKind::Folder, S_IFDIR, 0)), TypeGroup::Folder);
    EXPECT_EQ(database->group(database->typeOf("x", EntryKind::File, S_IFREG | 0700, 1)), TypeGroup::Executable);
    EXPECT_EQ(database->group(database->typeOf("x.png", EntryKind::FileLink, S_IFREG, 1)), TypeGroup::Other);
}

TEST(TypeDatabase, DescriptionsComeInTheUsersLanguageElseInEnglish)
{
    const auto english = TypeDatabase::readFolders(kSystemFolders, {});
    const auto german = TypeDatabase::readFolders(kSystemFolders, {"de_DE", "de"});
    const auto klingon = TypeDatabase::readFolders(kSystemFolders, {"tlh"});
    const MimeType png = english->typeOfName("a.png");
    EXPECT_EQ(english->describe(png), "PNG image");
    EXPECT_EQ(german->describe(german->typeOfName("a.png")), "PNG-Bild");
    EXPECT_EQ(klingon->describe(klingon->typeOfName("a.png")), "PNG image");
    // Entities are decoded; a type without a file shows its name.
    EXPECT_EQ(MimeDescriptions::commentOf("<comment>R&amp;D &#x263A;</comment>", {}), "R&D \u263a");
    const auto none = TypeDatabase::readFolders({"/nonexistent/"}, {});
    EXPECT_EQ(none->describe(none->typeOfName("a.png")), "application/octet-stream");
}

TEST(TypeDatabase, FoldersAndLanguagesComeFromTheEnvironment)
{
    std::map<std::string, std::string> variables{{"HOME", "/home/u"}, {"LANG", "de_AT.UTF-8@euro"}};
    const EnvironmentReader environment = [&](const char* name) -> const char* {
        const auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second.c_str();
    };
    EXPECT_EQ(mimeDirectories(environment),
              (std::vector<std::string>{"/home/u/.local/share/mime/", "/usr/local/share/mime/", "/usr/share/mime/"}));
    EXPECT_EQ(messageLanguages(environment), (std::vector<std::string>{"de_AT@euro", "de_AT", "de@euro", "de"}));
    variables = {{"XDG_DATA_HOME", "/data"}, {"XDG_DATA_DIRS", "/a:relative::/b/"}, {"LANG", "C.UTF-8"}};
    EXPECT_EQ(mimeDirectories(environment), (std::vector<std::string>{"/data/mime/", "/a/mime/", "/b/mime/"}));
    EXPECT_TRUE(messageLanguages(environment).empty());
    variables["LC_MESSAGES"] = "fr_FR";
    EXPECT_EQ(messageLanguages(environment), (std::vector<std::string>{"fr_FR", "fr"}));
}
