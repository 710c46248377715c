#include "tests/e2e/AxisReading.h"

#include "tools/PixelProbe.h"

float AxisReading::groundAxisRow(ViewerSession& session, int column)
{
    const RgbImage strip = session.grabColumn(column);
    return PixelProbe::litCentreInColumn(strip, 0, 0, strip.height());
}

float AxisReading::verticalAxisColumn(ViewerSession& session, int row)
{
    const RgbImage strip = session.grabRow(row);
    return PixelProbe::litCentreInRow(strip, 0, 0, strip.width());
}
