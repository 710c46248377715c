#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The shape of a generated folder tree.
enum class TreeShape {
    // Every entry directly in the root.
    Flat,
    // Three levels of folders, ten per folder, with the files spread evenly
    // over the deepest folders.
    Nested,
    // One level of folders of 100 entries each: the folder and its 99 files
    // (100,000 entries: 1,000 folders of 99 files).
    Grouped,
    // One level of folders, each holding as many entries as there are
    // folders: the folder and its files (1,000,000 entries: 1,000 folders
    // of 999 files).
    Square,
    // One level of folders of 1,000 entries each: the folder and its 999
    // files (10,000,000 entries: 10,000 folders of 999 files).
    Thousands,
    // A chain of folders `entries` / 3 deep, deeper than any path can name:
    // each level holds the way down and two empty folders, one made before
    // it and one after, so that a walk comes back to most levels after going
    // below them.
    Chain,
};

// Makes folder trees of an exact number of entries, and scratch files, below
// a fresh folder in the system's temporary directory, and removes them again.
class TreeGenerator {
public:
    // Creates the base folder ($TMPDIR or /tmp); isReady() tells whether that worked.
    TreeGenerator();
    // Removes the base folder with everything generated below it, at any depth.
    ~TreeGenerator();
    TreeGenerator(const TreeGenerator&) = delete;
    TreeGenerator& operator=(const TreeGenerator&) = delete;

    bool isReady() const { return !base.empty(); }
    const std::string& error() const { return lastError; }

    // Makes a tree with `entries` entries below its root (the root itself not
    // counted) and returns the root's absolute path ending with '/', or an
    // empty string on failure. In a flat tree every tenth entry is an empty
    // folder; in a nested tree the folders are the three upper levels.
    // `fileBytes` is the size of every file. With `rootPathBytes`, the root
    // lies below folders with long names, so that its path is at least that
    // long (and shorter than the system's path limit).
    std::string make(TreeShape shape, std::size_t entries, std::size_t fileBytes = 0, std::size_t rootPathBytes = 0);
    // The same tree at `root`, a folder that must not exist yet, outside the
    // base folder: it outlives the generator (for a tree too large to make
    // on every run). Returns `root` ending with '/', or an empty string.
    std::string makeAt(const std::string& root, TreeShape shape, std::size_t entries);

    // A path for a scratch file of that name beside the trees, removed with them.
    std::string scratchFile(const std::string& name) const { return base + "/" + name; }

    static const char* shapeName(TreeShape shape);

private:
    bool makeFlat(const std::string& root, std::size_t entries, std::size_t fileBytes);
    bool makeNested(const std::string& root, std::size_t entries, std::size_t fileBytes);
    // Folders of `group` entries each: the folder and group - 1 files.
    bool makeGrouped(const std::string& root, std::size_t entries, std::size_t fileBytes, std::size_t group);
    bool makeChain(const std::string& root, std::size_t entries);
    bool fill(TreeShape shape, const std::string& root, std::size_t entries, std::size_t fileBytes);
    bool makeFolder(const std::string& path);
    bool makeFile(const std::string& path, std::size_t bytes);
    // Makes the files of `folders` on every core, each folder's files by one
    // thread, relative to the folder's descriptor. `filesOf(f, names)` puts
    // the numbers of folder f's files into `names`.
    bool fillFolders(const std::vector<std::string>& folders, std::size_t fileBytes,
                     const std::function<void(std::size_t, std::vector<std::size_t>&)>& filesOf);

    std::string base;
    std::string lastError;
    int treeCount = 0;
};
