#include "explore/map/MapColour.h"

MapColour MapColour::ofKind(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Folder:
        return {0.9f, 0.75f, 0.3f};
    case EntryKind::File:
        return {0.35f, 0.6f, 0.9f};
    case EntryKind::FolderLink:
        return {0.75f, 0.55f, 0.9f};
    case EntryKind::FileLink:
        return {0.4f, 0.8f, 0.75f};
    case EntryKind::Other:
        break;
    }
    return {0.65f, 0.65f, 0.65f};
}
