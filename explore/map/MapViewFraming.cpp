#include "explore/map/MapViewFraming.h"

#include "explore/map/MapFraming.h"
#include "explore/map/MapModel.h"

namespace {

// The scale from a platform to the shown folder's square, each way.
struct Scale {
    double x;
    double y;
    double z;
};

Scale scaleOf(const MapBox& platform)
{
    const double x = MapModel::kSide / std::max(1e-9, static_cast<double>(platform.high[0] - platform.low[0]));
    const double z = MapModel::kSide / std::max(1e-9, static_cast<double>(platform.high[2] - platform.low[2]));
    return {x, 0.5 * (x + z), z};
}

} // namespace

Camera MapViewFraming::home(EntryId, std::size_t, double aspect)
{
    return MapFraming::home(aspect);
}

Camera MapViewFraming::facing(EntryId folder, std::size_t, EntryId entry, double aspect)
{
    if (model == nullptr)
        return MapFraming::home(aspect);
    if (model->shown() != folder)
        model->show(folder);
    const std::optional<MapBox> place = model->platformOf(entry, timeMs);
    return place ? MapFraming::framing(*place, aspect) : MapFraming::home(aspect);
}

std::optional<Camera> MapViewFraming::carried(EntryId from, EntryId to, const Camera& pose)
{
    if (model == nullptr || from == kNoEntry || to == kNoEntry)
        return std::nullopt;
    // Into a folder below: its platform on `from`'s map becomes the square.
    model->show(from);
    if (const std::optional<MapBox> platform = model->platformOf(to, timeMs)) {
        const Scale s = scaleOf(*platform);
        Camera carried = pose;
        carried.position = Vector3(static_cast<float>((pose.position.x - platform->low[0]) * s.x),
                                   static_cast<float>((pose.position.y - platform->low[1]) * s.y),
                                   static_cast<float>((pose.position.z - platform->low[2]) * s.z));
        return carried;
    }
    // Out to a folder above: the square shrinks to `from`'s platform on its map.
    model->show(to);
    if (const std::optional<MapBox> platform = model->platformOf(from, timeMs)) {
        const Scale s = scaleOf(*platform);
        Camera carried = pose;
        carried.position = Vector3(static_cast<float>(pose.position.x / s.x + platform->low[0]),
                                   static_cast<float>(pose.position.y / s.y + platform->low[1]),
                                   static_cast<float>(pose.position.z / s.z + platform->low[2]));
        return carried;
    }
    return std::nullopt;
}
