#include "exchange/ExportReader.h"

#include "scene/DirectoryReader.h"

#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>
#include <sys/stat.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

// The fields of an entry the viewer takes.
enum class Field {
    Unknown,
    Name,
    Size,
    DiskUsage,
    Device,
    Inode,
    Links,
    HardLink,
    ModifiedTime,
    Mode,
    ReadError,
    Excluded,
    NotRegular,
    ProgramName,
    ProgramVersion,
    Timestamp
};

Field entryField(std::string_view key)
{
    if (key == "name")
        return Field::Name;
    if (key == "asize")
        return Field::Size;
    if (key == "dsize")
        return Field::DiskUsage;
    if (key == "dev")
        return Field::Device;
    if (key == "ino")
        return Field::Inode;
    if (key == "nlink")
        return Field::Links;
    if (key == "hlnkc")
        return Field::HardLink;
    if (key == "mtime")
        return Field::ModifiedTime;
    if (key == "mode")
        return Field::Mode;
    if (key == "read_error")
        return Field::ReadError;
    if (key == "excluded")
        return Field::Excluded;
    if (key == "notreg")
        return Field::NotRegular;
    return Field::Unknown;
}

Field metadataField(std::string_view key)
{
    if (key == "progname")
        return Field::ProgramName;
    if (key == "progver")
        return Field::ProgramVersion;
    if (key == "timestamp")
        return Field::Timestamp;
    return Field::Unknown;
}

const char* fieldName(Field field)
{
    switch (field) {
    case Field::Size:
        return "asize";
    case Field::DiskUsage:
        return "dsize";
    case Field::Device:
        return "dev";
    case Field::Inode:
        return "ino";
    case Field::Links:
        return "nlink";
    case Field::ModifiedTime:
        return "mtime";
    case Field::Mode:
        return "mode";
    case Field::Timestamp:
        return "timestamp";
    default:
        return "a field";
    }
}

// One JSON number or other scalar as the parser gave it.
struct Scalar {
    enum Type { Null, Boolean, Whole, Real, Text } type = Null;
    bool truth = false;
    bool negative = false;
    // Whole numbers: the magnitude.
    std::uint64_t magnitude = 0;
    std::string_view text;
};

// The parser's events, checked against the layout of an export:
// [major, minor, {metadata}, [{folder info}, [{subfolder info}, ...], {entry info}, ...]]
class Handler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, Handler> {
public:
    Handler(ExportSink& target, ExportInput& source) : sink(target), input(source) {}

    bool Null() { return scalar(Scalar{}); }
    bool Bool(bool value)
    {
        Scalar s;
        s.type = Scalar::Boolean;
        s.truth = value;
        return scalar(s);
    }
    bool Int(int value) { return Int64(value); }
    bool Uint(unsigned value) { return Uint64(value); }
    bool Int64(std::int64_t value)
    {
        if (value >= 0)
            return Uint64(static_cast<std::uint64_t>(value));
        Scalar s;
        s.type = Scalar::Whole;
        s.negative = true;
        s.magnitude = 0 - static_cast<std::uint64_t>(value);
        return scalar(s);
    }
    bool Uint64(std::uint64_t value)
    {
        Scalar s;
        s.type = Scalar::Whole;
        s.magnitude = value;
        return scalar(s);
    }
    bool Double(double)
    {
        Scalar s;
        s.type = Scalar::Real;
        return scalar(s);
    }
    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        Scalar s;
        s.type = Scalar::Text;
        s.text = std::string_view(text, length);
        return scalar(s);
    }
    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        const std::string_view key(text, length);
        field = at == At::MetadataFields ? metadataField(key) : entryField(key);
        return true;
    }
    bool StartObject();
    bool EndObject(rapidjson::SizeType) { return end(); }
    bool StartArray();
    bool EndArray(rapidjson::SizeType) { return end(); }

    // What the handler refused, and where; empty while all is well.
    std::string problem;
    std::uint64_t problemOffset = 0;
    bool unreadable = true;
    bool whole = false;

private:
    enum class At { Top, Major, Minor, Metadata, MetadataFields, Root, FolderInfo, Info, Folder, AfterTree };

    bool refuse(const std::string& message)
    {
        problem = message;
        problemOffset = input.Tell();
        return false;
    }
    // An object or array where a known field's value should be.
    bool refuseValue()
    {
        return refuse(field == Field::Name ? std::string("'name' is not a string")
                                           : std::string("'") + fieldName(field) + "' is not a number");
    }
    bool scalar(const Scalar& value);
    bool entryValue(const Scalar& value);
    bool metadataValue(const Scalar& value);
    bool whole64(const Scalar& value, std::uint64_t& out);
    bool end();
    bool finishInfo();
    void startInfo(bool folder);

    ExportSink& sink;
    ExportInput& input;
    At at = At::Top;
    // Depth inside a value that is skipped (an unknown field's object or array).
    std::size_t skipping = 0;
    Field field = Field::Unknown;
    ExportMetadata meta;
    bool laterNamesFlagged = false;

    // The entry being read.
    ExportEntry info;
    std::string name;
    bool named = false;
    bool hasDevice = false;
    bool infoIsFolder = false;
    // The device of each open folder, for entries that do not give theirs.
    std::vector<std::uint64_t> devices;
    // Files with several names whose bytes are counted already.
    std::unordered_set<FolderId, FolderIdHash> countedFiles;
};

bool Handler::StartObject()
{
    if (skipping > 0) {
        ++skipping;
        return true;
    }
    switch (at) {
    case At::Metadata:
        at = At::MetadataFields;
        field = Field::Unknown;
        return true;
    case At::MetadataFields:
    case At::AfterTree:
        skipping = 1;
        return true;
    case At::FolderInfo:
        startInfo(true);
        return true;
    case At::Folder:
        startInfo(false);
        return true;
    case At::Info:
        skipping = 1;
        return field == Field::Unknown || refuseValue();
    case At::Root:
        return refuse("the top folder is not an array");
    case At::Top:
    case At::Major:
    case At::Minor:
        break;
    }
    return refuse("not an export file: it does not start with [1,");
}

bool Handler::StartArray()
{
    if (skipping > 0) {
        ++skipping;
        return true;
    }
    switch (at) {
    case At::Top:
        at = At::Major;
        return true;
    case At::Root:
    case At::Folder:
        at = At::FolderInfo;
        return true;
    case At::FolderInfo:
        return refuse("a folder's first element is not its information object");
    case At::Info:
        skipping = 1;
        return field == Field::Unknown || refuseValue();
    case At::MetadataFields:
    case At::AfterTree:
        skipping = 1;
        return true;
    case At::Metadata:
        return refuse("the metadata is not an object");
    case At::Major:
    case At::Minor:
        break;
    }
    return refuse("not an export file: it does not start with [1,");
}

bool Handler::end()
{
    if (skipping > 0) {
        --skipping;
        return true;
    }
    switch (at) {
    case At::MetadataFields:
        unreadable = false;
        // One tool flags only the names of a file after the first it met.
        laterNamesFlagged = meta.programName == "gdu";
        sink.metadata(meta);
        at = At::Root;
        return true;
    case At::Info:
        return finishInfo();
    case At::Folder:
        sink.endFolder();
        devices.pop_back();
        if (devices.empty())
            at = At::AfterTree;
        return true;
    case At::AfterTree:
        // The end of the outer array: later minor versions may add elements
        // after the tree, which are skipped.
        whole = true;
        return true;
    case At::FolderInfo:
        return refuse("a folder has no information object");
    default:
        return refuse(unreadable ? "not an export file: it ends before its tree" : "the export has no top folder");
    }
}

bool Handler::whole64(const Scalar& value, std::uint64_t& out)
{
    if (value.type != Scalar::Whole && value.type != Scalar::Real)
        return refuse(std::string("'") + fieldName(field) + "' is not a number");
    if (value.type == Scalar::Real || value.negative)
        return refuse(std::string("'") + fieldName(field) + "' is out of range");
    out = value.magnitude;
    return true;
}

bool Handler::scalar(const Scalar& value)
{
    if (skipping > 0)
        return true;
    switch (at) {
    case At::Major:
        if (value.type != Scalar::Whole || value.negative || value.magnitude > 10000)
            return refuse("not an export file: its major version is not a number from 0 to 10000");
        if (value.magnitude != 1)
            return refuse("export version " + std::to_string(value.magnitude)
                          + ".x is not one this program reads (1.x)");
        meta.major = 1;
        at = At::Minor;
        return true;
    case At::Minor:
        if (value.type != Scalar::Whole || value.negative || value.magnitude > 10000)
            return refuse("the minor version is not a number from 0 to 10000");
        meta.minor = static_cast<unsigned>(value.magnitude);
        at = At::Metadata;
        return true;
    case At::MetadataFields:
        return metadataValue(value);
    case At::Info:
        return entryValue(value);
    case At::AfterTree:
        return true;
    case At::Metadata:
        return refuse("the metadata is not an object");
    case At::Root:
        return refuse("the top folder is not an array");
    case At::FolderInfo:
        return refuse("a folder's first element is not its information object");
    case At::Folder:
        return refuse("a folder holds a value that is no entry");
    case At::Top:
        break;
    }
    return refuse("not an export file: it does not start with [1,");
}

bool Handler::metadataValue(const Scalar& value)
{
    switch (field) {
    case Field::ProgramName:
        if (value.type == Scalar::Text)
            meta.programName.assign(value.text.substr(0, 256));
        break;
    case Field::ProgramVersion:
        if (value.type == Scalar::Text)
            meta.programVersion.assign(value.text.substr(0, 256));
        break;
    case Field::Timestamp:
        if (value.type == Scalar::Whole && value.magnitude <= static_cast<std::uint64_t>(INT64_MAX)) {
            meta.hasTimestamp = true;
            meta.timestamp = static_cast<std::int64_t>(value.magnitude) * (value.negative ? -1 : 1);
        }
        break;
    default:
        break;
    }
    return true;
}

void Handler::startInfo(bool folder)
{
    info = ExportEntry{};
    name.clear();
    named = false;
    hasDevice = false;
    infoIsFolder = folder;
    field = Field::Unknown;
    at = At::Info;
}

bool Handler::entryValue(const Scalar& value)
{
    std::uint64_t number = 0;
    switch (field) {
    case Field::Unknown:
        return true;
    case Field::Name:
        if (value.type != Scalar::Text)
            return refuse("'name' is not a string");
        if (value.text.size() > ExportReader::kLongestName)
            return refuse("a name is longer than " + std::to_string(ExportReader::kLongestName) + " bytes");
        name.assign(value.text);
        named = true;
        return true;
    case Field::HardLink:
    case Field::ReadError:
    case Field::NotRegular: {
        // Written as true or false; anything else counts as false.
        const bool set = value.type == Scalar::Boolean && value.truth;
        (field == Field::HardLink ? info.hardLink : field == Field::ReadError ? info.readError : info.notRegular) = set;
        return true;
    }
    case Field::Excluded:
        if (value.type == Scalar::Text) {
            const std::string_view why = value.text;
            info.exclusion = why == "otherfs" || why == "othfs" ? Exclusion::OtherFileSystem
                : why == "kernfs"                               ? Exclusion::KernelFileSystem
                : why == "pattern"                              ? Exclusion::Pattern
                                                                : Exclusion::Other;
        } else if (value.type == Scalar::Boolean && value.truth) {
            info.exclusion = Exclusion::Pattern;
        }
        return true;
    case Field::ModifiedTime:
        if (value.type != Scalar::Whole && value.type != Scalar::Real)
            return refuse("'mtime' is not a number");
        if (value.type == Scalar::Real || value.magnitude > static_cast<std::uint64_t>(INT64_MAX))
            return refuse("'mtime' is out of range");
        info.hasModifiedTime = true;
        info.modifiedTime = static_cast<std::int64_t>(value.magnitude) * (value.negative ? -1 : 1);
        return true;
    default:
        break;
    }
    if (!whole64(value, number))
        return false;
    switch (field) {
    case Field::Size:
        info.size = number;
        break;
    case Field::DiskUsage:
        info.diskUsage = number;
        break;
    case Field::Device:
        info.device = number;
        hasDevice = true;
        break;
    case Field::Inode:
        info.inode = number;
        info.hasInode = true;
        break;
    case Field::Links:
        info.links = number;
        break;
    case Field::Mode:
        if (number > 0xffffffffu)
            return refuse("'mode' is out of range");
        info.mode = static_cast<std::uint32_t>(number);
        info.hasMode = true;
        break;
    default:
        break;
    }
    return true;
}

bool Handler::finishInfo()
{
    const bool top = devices.empty();
    if (!named)
        return refuse("an entry has no name");
    if (name.empty())
        return refuse("an entry's name is empty");
    if (name.find('\0') != std::string::npos)
        return refuse("an entry's name holds a NUL byte");
    if (!top && (name.find('/') != std::string::npos || name == "." || name == ".."))
        return refuse("an entry's name holds '/' or is '.' or '..'");
    info.name = name;
    if (!hasDevice)
        info.device = top ? 0 : devices.back();
    if (info.links > 1)
        info.hardLink = true;

    const bool modeLink = info.hasMode && S_ISLNK(info.mode);
    const bool modeFolder = info.hasMode && S_ISDIR(info.mode);
    const bool otherFileSystem
        = info.exclusion == Exclusion::OtherFileSystem || info.exclusion == Exclusion::KernelFileSystem;
    if (infoIsFolder || modeFolder || otherFileSystem)
        info.kind = EntryKind::Folder;
    else if (modeLink)
        info.kind = EntryKind::FileLink;
    else if (info.notRegular || (info.hasMode && !S_ISREG(info.mode)))
        info.kind = EntryKind::Other;
    else
        info.kind = EntryKind::File;
    if (info.kind == EntryKind::File && info.exclusion == Exclusion::None) {
        bool first = !info.hardLink || !info.hasInode || countedFiles.insert(FolderId{info.device, info.inode}).second;
        if (laterNamesFlagged && info.hardLink)
            first = false;
        info.countedSize = first ? info.size : 0;
    }

    if (infoIsFolder) {
        sink.beginFolder(info);
        devices.push_back(info.device);
    } else {
        sink.entry(info);
    }
    at = At::Folder;
    return true;
}

std::string parseProblem(rapidjson::ParseErrorCode code, bool atEnd)
{
    if (atEnd)
        return "the export ends early (the file is cut short)";
    std::string text = rapidjson::GetParseError_En(code);
    // "Missing a comma ..." -> "missing a comma ...": the line reads on after "byte N: ".
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return "malformed JSON: " + text;
}

} // namespace

std::string_view ExportEntry::exclusionReason() const
{
    switch (exclusion) {
    case Exclusion::None:
        break;
    case Exclusion::Pattern:
        return "excluded by a pattern";
    case Exclusion::OtherFileSystem:
        return "on another file system";
    case Exclusion::KernelFileSystem:
        return "a kernel file system";
    case Exclusion::Other:
        return "excluded";
    }
    return std::string_view();
}

bool ExportReader::read(ExportInput& input, ExportSink& sink, ExportProblem* problem)
{
    ExportProblem stop;
    if (!input.problem().empty()) {
        stop.message = input.problem();
        stop.unreadable = true;
    } else {
        Handler handler(sink, input);
        rapidjson::Reader reader;
        constexpr unsigned kFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseStopWhenDoneFlag;
        const rapidjson::ParseResult result = reader.Parse<kFlags>(input, handler);
        if (result && handler.whole) {
            // The rest (a compressed stream's trailer) is read too, so
            // that a damaged or cut file is told even when its tree is whole.
            while (input.Take() != '\0') {}
            if (input.problem().empty())
                return true;
        }
        stop.unreadable = handler.unreadable;
        if (!input.problem().empty()) {
            stop.offset = input.Tell();
            stop.message = input.problem();
        } else if (!handler.problem.empty()) {
            stop.offset = handler.problemOffset;
            stop.message = handler.problem;
        } else {
            // Cut short: the fault is at the end of what there was.
            const bool cut = input.ended();
            stop.offset = cut || result ? input.Tell() : result.Offset();
            stop.message = parseProblem(result.Code(), cut);
        }
    }
    sink.stopped(stop);
    if (problem != nullptr)
        *problem = stop;
    return false;
}
