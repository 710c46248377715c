#pragma once

#include "explore/StartView.h"
#include "explore/ViewFraming.h"

// The row's poses: its start view, and straight in front of a slot.
class RowFraming : public ViewFraming {
public:
    void setShape(const RowShape& rowShape) { shape = rowShape; }
    const RowShape& rowShape() const { return shape; }

    Camera home(EntryId folder, std::size_t count, double aspect) override;
    Camera facing(EntryId folder, std::size_t slot, EntryId entry, double aspect) override;

private:
    RowShape shape;
};
