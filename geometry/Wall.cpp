#include "geometry/Wall.h"

Wall::Wall(Vector3 wallOrigin, Vector3 wallEdgeA, Vector3 wallEdgeB, Vector3 wallColour, float wallOpacity)
    : colour(wallColour), origin(wallOrigin), edgeA(wallEdgeA), edgeB(wallEdgeB), opacity(wallOpacity)
{
}
