#include "explore/RowFraming.h"

Camera RowFraming::home(EntryId, std::size_t count, double aspect)
{
    return StartView::pose(shape, count, aspect);
}

Camera RowFraming::facing(EntryId, std::size_t slot, EntryId, double aspect)
{
    return StartView::facing(shape, slot, aspect);
}
