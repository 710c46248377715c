#include "explore/EntryTypes.h"

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

MimeType EntryTypes::typeOf(const EntryTree& tree, EntryId entry)
{
    return database().typeOf(tree.name(entry), tree.kind(entry), tree.mode(entry), tree.byteSize(entry));
}

TypeGroup EntryTypes::groupOf(const EntryTree& tree, EntryId entry)
{
    // A folder reached through a link shows as a folder, as the row draws it.
    return tree.showsAsFolder(entry) ? TypeGroup::Folder : database().group(typeOf(tree, entry));
}

std::string EntryTypes::describe(const EntryTree& tree, EntryId entry)
{
    if (tree.kind(entry) != EntryKind::File)
        return std::string();
    // A name that tells nothing gets no words that tell nothing.
    const MimeType type = typeOf(tree, entry);
    const TypeDatabase& types = database();
    return types.typeName(type) == "application/octet-stream" ? std::string() : types.describe(type);
}
