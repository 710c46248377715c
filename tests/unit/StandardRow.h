#pragma once

#include "explore/StartView.h"

// The shipped symbols' row shape, as the loaded models make it.
inline RowShape standardRow()
{
    RowShape row;
    row.pitch = 1.3;
    row.symbol.low[0] = -0.425;
    row.symbol.low[1] = 0.0;
    row.symbol.low[2] = 0.95;
    row.symbol.high[0] = 0.425;
    row.symbol.high[1] = 1.0;
    row.symbol.high[2] = 1.08;
    return row;
}
