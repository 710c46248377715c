#include "model/AseReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <string>
#include <utility>

namespace {

struct Vec {
    double x, y, z;
};

Vec sub(const MeshVertex& a, const MeshVertex& b)
{
    return {double(a.x) - b.x, double(a.y) - b.y, double(a.z) - b.z};
}

Vec cross(Vec a, Vec b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double length(Vec a)
{
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}

MeshLists readSymbol(const std::string& name)
{
    std::ifstream file(std::string(LUMENFOLD_SOURCE_DIR) + "/symbols/standard/" + name + ".ASE", std::ios::binary);
    EXPECT_TRUE(file.is_open()) << name;
    return AseReader::readStream(file);
}

class SymbolFile : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override { lists = readSymbol(GetParam()); }
    MeshLists lists;
};

} // namespace

TEST_P(SymbolFile, IndexesOnlyExistingVerticesAndMaterials)
{
    ASSERT_FALSE(lists.faces.empty());
    EXPECT_GE(lists.materials.size(), 2u);
    const int vertexCount = static_cast<int>(lists.vertices.size());
    const int materialCount = static_cast<int>(lists.materials.size());
    for (const MeshFace& face : lists.faces) {
        for (int v : {face.vertexA, face.vertexB, face.vertexC}) {
            EXPECT_GE(v, 0);
            EXPECT_LT(v, vertexCount);
        }
        EXPECT_GE(face.materialIndex, 0);
        EXPECT_LT(face.materialIndex, materialCount);
    }
}

// Closed parts, wound the same way: every edge is run once in each direction.
TEST_P(SymbolFile, EveryEdgeIsSharedByTwoFacesRunningItInOppositeDirections)
{
    std::map<std::pair<int, int>, int> directedEdges;
    for (const MeshFace& face : lists.faces) {
        const int corners[3] = {face.vertexA, face.vertexB, face.vertexC};
        for (int i = 0; i < 3; ++i)
            ++directedEdges[{corners[i], corners[(i + 1) % 3]}];
    }
    for (const auto& [edge, count] : directedEdges) {
        EXPECT_EQ(count, 1) << "edge " << edge.first << "-" << edge.second << " run twice the same way";
        const auto reverse = directedEdges.find({edge.second, edge.first});
        EXPECT_TRUE(reverse != directedEdges.end()) << "edge " << edge.first << "-" << edge.second << " is open";
    }
}

// Together with the closed edges this makes every face wound counter-clockwise
// seen from outside, as far as the written normals point outwards.
TEST_P(SymbolFile, CornerNormalsAreUnitAndAgreeWithTheWindingOfTheirFace)
{
    for (std::size_t i = 0; i < lists.faces.size(); ++i) {
        const MeshFace& face = lists.faces[i];
        const MeshVertex& a = lists.vertices.at(face.vertexA);
        const MeshVertex& b = lists.vertices.at(face.vertexB);
        const MeshVertex& c = lists.vertices.at(face.vertexC);
        const Vec geometric = cross(sub(b, a), sub(c, a));
        const double area = length(geometric);
        ASSERT_GT(area, 1e-6) << "face " << i << " is degenerate";
        for (const MeshNormal& n : face.normals) {
            const Vec normal{n.x, n.y, n.z};
            EXPECT_NEAR(length(normal), 1.0, 1e-3) << "face " << i;
            const double cosine = (normal.x * geometric.x + normal.y * geometric.y + normal.z * geometric.z) / area;
            EXPECT_GT(cosine, 0.5) << "face " << i << " turns away from its corner normal";
        }
    }
}

// At icon scale 0.5 the model's z from -2 to about 0 is one scene unit standing
// on the ground, and a width under 1.8 leaves a gap at the slot pitch of 1.3.
TEST_P(SymbolFile, StandsOnTheGroundAboutOneUnitTallAndNarrowerThanItsSlot)
{
    ASSERT_FALSE(lists.vertices.empty());
    auto [minX, maxX] = std::minmax_element(lists.vertices.begin(), lists.vertices.end(),
                                            [](const MeshVertex& p, const MeshVertex& q) { return p.x < q.x; });
    auto [minY, maxY] = std::minmax_element(lists.vertices.begin(), lists.vertices.end(),
                                            [](const MeshVertex& p, const MeshVertex& q) { return p.y < q.y; });
    auto [minZ, maxZ] = std::minmax_element(lists.vertices.begin(), lists.vertices.end(),
                                            [](const MeshVertex& p, const MeshVertex& q) { return p.z < q.z; });
    EXPECT_FLOAT_EQ(minZ->z, -2.0f);
    EXPECT_GT(maxZ->z, -0.4f);
    EXPECT_LT(maxZ->z, 0.2f);
    EXPECT_LT(maxX->x - minX->x, 1.8f);
    EXPECT_GT(maxX->x - minX->x, 1.0f);
    EXPECT_LT(maxY->y - minY->y, 0.5f);
    EXPECT_LE(lists.faces.size(), 100u);
}

INSTANTIATE_TEST_SUITE_P(Symbols, SymbolFile,
                         testing::Values("folder", "file", "image", "video", "audio", "archive", "document", "text",
                                         "executable", "font", "package"));

// A group's symbol loads when the group first shows: it must not widen the
// row's box that the folder and file symbols make.
TEST(GroupSymbols, StayInsideTheBoxOfTheFolderAndFileSymbols)
{
    MeshVertex low{0, 0, 0};
    MeshVertex high{0, 0, 0};
    bool first = true;
    for (const char* name : {"folder", "file"})
        for (const MeshVertex& v : readSymbol(name).vertices) {
            low = first ? v : MeshVertex{std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z)};
            high = first ? v : MeshVertex{std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z)};
            first = false;
        }
    for (const char* name : {"image", "video", "audio", "archive", "document", "text", "executable", "font", "package"})
        for (const MeshVertex& v : readSymbol(name).vertices) {
            EXPECT_TRUE(v.x >= low.x && v.y >= low.y && v.z >= low.z) << name;
            EXPECT_TRUE(v.x <= high.x && v.y <= high.y && v.z <= high.z) << name;
        }
}
