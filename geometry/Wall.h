#pragma once

#include "geometry/Vector3.h"

#include <map>

// A flat parallelogram obstacle: origin + u * edgeA + v * edgeB for u, v in [0, 1].
// colour and opacity describe its look; the collision test reads only the shape.
class Wall {
public:
    Wall(Vector3 origin, Vector3 edgeA, Vector3 edgeB, Vector3 colour, float opacity);

    Vector3 colour;
    Vector3 origin;
    Vector3 edgeA;
    Vector3 edgeB;
    float opacity;
};

// Walls by key, visited in ascending key order. The map does not own the walls.
using WallMap = std::map<int, const Wall*>;
