#include "types/TypeDatabase.h"

#include "types/FileText.h"
#include "types/MimeDirectories.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

namespace {

bool startsWith(std::string_view text, std::string_view start)
{
    return text.substr(0, start.size()) == start;
}

struct KnownType {
    std::string_view name;
    TypeGroup group;
};

// Application types whose media type says nothing of what they hold.
constexpr KnownType kKnownTypes[] = {
    {"application/zip", TypeGroup::Archive},
    {"application/x-tar", TypeGroup::Archive},
    {"application/gzip", TypeGroup::Archive},
    {"application/x-bzip", TypeGroup::Archive},
    {"application/x-bzip2", TypeGroup::Archive},
    {"application/x-bzip3", TypeGroup::Archive},
    {"application/x-xz", TypeGroup::Archive},
    {"application/zstd", TypeGroup::Archive},
    {"application/x-lzma", TypeGroup::Archive},
    {"application/x-lzip", TypeGroup::Archive},
    {"application/x-lz4", TypeGroup::Archive},
    {"application/x-lzop", TypeGroup::Archive},
    {"application/x-lrzip", TypeGroup::Archive},
    {"application/x-compress", TypeGroup::Archive},
    {"application/x-7z-compressed", TypeGroup::Archive},
    {"application/vnd.rar", TypeGroup::Archive},
    {"application/x-cpio", TypeGroup::Archive},
    {"application/x-archive", TypeGroup::Archive},
    {"application/x-arj", TypeGroup::Archive},
    {"application/x-lha", TypeGroup::Archive},
    {"application/x-stuffit", TypeGroup::Archive},
    {"application/x-ace", TypeGroup::Archive},
    {"application/x-zoo", TypeGroup::Archive},
    {"application/vnd.ms-cab-compressed", TypeGroup::Archive},
    {"application/x-cd-image", TypeGroup::Archive},
    {"application/vnd.debian.binary-package", TypeGroup::Package},
    {"application/x-rpm", TypeGroup::Package},
    {"application/x-source-rpm", TypeGroup::Package},
    {"application/vnd.android.package-archive", TypeGroup::Package},
    {"application/x-java-archive", TypeGroup::Package},
    {"application/vnd.flatpak", TypeGroup::Package},
    {"application/vnd.flatpak.ref", TypeGroup::Package},
    {"application/vnd.snap", TypeGroup::Package},
    {"application/vnd.appimage", TypeGroup::Package},
    {"application/x-iso9660-appimage", TypeGroup::Package},
    {"application/x-msi", TypeGroup::Package},
    {"application/x-apple-diskimage", TypeGroup::Package},
    {"application/pdf", TypeGroup::Document},
    {"application/postscript", TypeGroup::Document},
    {"application/rtf", TypeGroup::Document},
    {"application/msword", TypeGroup::Document},
    {"application/epub+zip", TypeGroup::Document},
    {"application/x-dvi", TypeGroup::Document},
    {"application/oxps", TypeGroup::Document},
    {"application/vnd.ms-xpsdocument", TypeGroup::Document},
    {"application/x-mobipocket-ebook", TypeGroup::Document},
    {"application/vnd.visio", TypeGroup::Document},
    {"application/x-abiword", TypeGroup::Document},
    {"application/x-executable", TypeGroup::Executable},
    {"application/x-pie-executable", TypeGroup::Executable},
    {"application/x-sharedlib", TypeGroup::Executable},
    {"application/x-object", TypeGroup::Executable},
    {"application/x-ms-dos-executable", TypeGroup::Executable},
    {"application/x-msdownload", TypeGroup::Executable},
    {"application/vnd.ms-fontobject", TypeGroup::Font},
    {"inode/directory", TypeGroup::Folder},
};

// Families of office formats, each with many types.
constexpr KnownType kKnownStarts[] = {
    {"application/vnd.oasis.opendocument.", TypeGroup::Document},
    {"application/vnd.openxmlformats-officedocument.", TypeGroup::Document},
    {"application/vnd.ms-word", TypeGroup::Document},
    {"application/vnd.ms-excel", TypeGroup::Document},
    {"application/vnd.ms-powerpoint", TypeGroup::Document},
    {"application/vnd.sun.xml.", TypeGroup::Document},
    {"application/vnd.stardivision.", TypeGroup::Document},
    {"application/x-font-", TypeGroup::Font},
    {"image/", TypeGroup::Image},
    {"video/", TypeGroup::Video},
    {"audio/", TypeGroup::Audio},
    {"font/", TypeGroup::Font},
    {"text/", TypeGroup::Text},
};

bool knownGroup(std::string_view type, TypeGroup& group)
{
    for (const KnownType& known : kKnownTypes)
        if (known.name == type) {
            group = known.group;
            return true;
        }
    for (const KnownType& known : kKnownStarts)
        if (startsWith(type, known.name)) {
            group = known.group;
            return true;
        }
    return false;
}

} // namespace

TypeDatabase::TypeDatabase(const std::vector<std::string>& folders, std::vector<std::string> languages)
    : descriptions(folders, std::move(languages))
{
    folder = globs.intern("inode/directory");
    link = globs.intern("inode/symlink");
    fifo = globs.intern("inode/fifo");
    socket = globs.intern("inode/socket");
    blockDevice = globs.intern("inode/blockdevice");
    charDevice = globs.intern("inode/chardevice");
    executable = globs.intern("application/x-executable");
    empty = globs.intern("application/x-zerosize");
    unknown = globs.intern("application/octet-stream");
    std::vector<std::pair<std::string, std::string>> subclasses;
    for (const std::string& dir : folders) {
        std::string patterns;
        if (readFileText(dir + "globs2", patterns)) {
            globs.addFile(patterns);
            ++patternFiles;
        }
        // "child parent" per line.
        std::string parentsText;
        readFileText(dir + "subclasses", parentsText);
        std::string_view rest = parentsText;
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            const std::string_view line = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            const std::size_t space = line.find(' ');
            if (line.empty() || line[0] == '#' || space == std::string_view::npos)
                continue;
            subclasses.emplace_back(line.substr(0, space), line.substr(space + 1));
        }
    }
    std::vector<std::vector<MimeType>> parents(globs.typeCount());
    for (const auto& [child, parent] : subclasses) {
        const MimeType childType = globs.find(child);
        const MimeType parentType = globs.intern(parent);
        if (childType == MimeGlobs::kNone || parentType == MimeGlobs::kNone)
            continue;
        parents.resize(globs.typeCount());
        parents[childType].push_back(parentType);
    }
    parents.resize(globs.typeCount());
    groups.resize(globs.typeCount());
    for (std::size_t type = 0; type < groups.size(); ++type)
        groups[type] = groupFor(static_cast<MimeType>(type), parents);
}

TypeGroup TypeDatabase::groupFor(MimeType type, const std::vector<std::vector<MimeType>>& parents) const
{
    TypeGroup group = TypeGroup::Other;
    if (knownGroup(globs.typeName(type), group))
        return group;
    // Every ancestor, nearest first.
    std::vector<MimeType> ancestors = parents[type];
    for (std::size_t i = 0; i < ancestors.size() && ancestors.size() < 64; ++i)
        for (MimeType parent : parents[ancestors[i]])
            if (std::find(ancestors.begin(), ancestors.end(), parent) == ancestors.end())
                ancestors.push_back(parent);
    // A script is source code first, even where the database also calls it
    // an executable.
    for (MimeType ancestor : ancestors)
        if (globs.typeName(ancestor) == "text/plain")
            return TypeGroup::Text;
    for (MimeType ancestor : ancestors)
        if (knownGroup(globs.typeName(ancestor), group))
            return group;
    return TypeGroup::Other;
}

MimeType TypeDatabase::typeOfName(std::string_view name) const
{
    const MimeType type = globs.match(name);
    return type == MimeGlobs::kNone ? unknown : type;
}

MimeType TypeDatabase::typeOf(std::string_view name, EntryKind kind, std::int32_t mode, std::uint64_t size) const
{
    switch (kind) {
    case EntryKind::Folder:
        return folder;
    case EntryKind::FolderLink:
    case EntryKind::FileLink:
        return link;
    case EntryKind::Other:
        if (S_ISFIFO(mode))
            return fifo;
        if (S_ISSOCK(mode))
            return socket;
        if (S_ISBLK(mode))
            return blockDevice;
        if (S_ISCHR(mode))
            return charDevice;
        return link; // a dangling link
    case EntryKind::File:
        break;
    }
    const MimeType type = globs.match(name);
    if (type != MimeGlobs::kNone)
        return type;
    if ((mode & 0111) != 0)
        return executable;
    return size == 0 ? empty : unknown;
}

std::string TypeDatabase::describe(MimeType type) const
{
    std::string text = descriptions.describe(globs.typeName(type));
    return text.empty() ? globs.typeName(type) : text;
}

std::shared_ptr<const TypeDatabase> TypeDatabase::readFolders(const std::vector<std::string>& folders,
                                                              std::vector<std::string> languages)
{
    return std::make_shared<const TypeDatabase>(folders, std::move(languages));
}

std::shared_ptr<const TypeDatabase> TypeDatabase::readSystem()
{
    const EnvironmentReader environment = [](const char* name) { return std::getenv(name); };
    return readFolders(mimeDirectories(environment), messageLanguages(environment));
}
