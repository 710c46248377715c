#include "explore/EntryTypes.h"

#include "scene/FsNode.h"

#include <future>
#include <memory>

namespace {

std::shared_future<std::shared_ptr<const TypeDatabase>>& reading()
{
    static std::shared_future<std::shared_ptr<const TypeDatabase>> future
        = std::async(std::launch::async, [] { return TypeDatabase::readSystem(); }).share();
    return future;
}

} // namespace

void EntryTypes::startReading()
{
    reading();
}

const TypeDatabase& EntryTypes::database()
{
    return *reading().get();
}

MimeType EntryTypes::typeOf(const FsNode& entry)
{
    return database().typeOf(entry.name, entry.kind, entry.mode, entry.fullSize());
}

TypeGroup EntryTypes::groupOf(const FsNode& entry)
{
    // A folder reached through a link shows as a folder, as the row draws it.
    return entry.showsAsFolder() ? TypeGroup::Folder : database().group(typeOf(entry));
}

std::string EntryTypes::describe(const FsNode& entry)
{
    if (entry.kind != EntryKind::File)
        return std::string();
    // A name that tells nothing gets no words that tell nothing.
    const MimeType type = typeOf(entry);
    const TypeDatabase& types = database();
    return types.typeName(type) == "application/octet-stream" ? std::string() : types.describe(type);
}
