#include "bench/AseGenerator.h"
#include "model/AseReader.h"

#include <gtest/gtest.h>

// The benchmark's large file is only meaningful if the reader takes every
// record of it: otherwise it would time skipping lines.
TEST(AseGenerator, ReaderTakesEveryVertexFaceNormalAndMaterial)
{
    const MeshLists lists = AseReader::readText(AseGenerator::text(1000, 3));
    ASSERT_EQ(lists.faces.size(), 1000u);
    EXPECT_EQ(lists.vertices.size(), AseGenerator::vertexCount(1000));
    ASSERT_EQ(lists.materials.size(), 3u);

    for (std::size_t f = 0; f < lists.faces.size(); ++f) {
        const MeshFace& face = lists.faces[f];
        const int vertexCount = static_cast<int>(lists.vertices.size());
        ASSERT_LT(face.vertexA, vertexCount);
        ASSERT_LT(face.vertexB, vertexCount);
        ASSERT_LT(face.vertexC, vertexCount);
        EXPECT_EQ(face.materialIndex, static_cast<int>(f % 3));
        for (const MeshNormal& normal : face.normals)
            ASSERT_EQ(normal.y, -1.0f) << "face " << f;
    }
    EXPECT_GT(lists.materials[2].diffuse.r, lists.materials[0].diffuse.r);
    EXPECT_EQ(lists.materials[1].specular.g, 0.9f);
    EXPECT_EQ(lists.materials[1].shine, 0.25f);
}

TEST(AseGenerator, OddFaceCountsRoundUpToWholeQuads)
{
    const MeshLists lists = AseReader::readText(AseGenerator::text(7));
    EXPECT_EQ(lists.faces.size(), 8u);
    EXPECT_EQ(lists.vertices.size(), 10u);
}

TEST(AseGenerator, NoFacesStillGivesAReadableFile)
{
    const MeshLists lists = AseReader::readText(AseGenerator::text(0, 0));
    EXPECT_TRUE(lists.faces.empty());
    EXPECT_EQ(lists.vertices.size(), 2u);
    EXPECT_EQ(lists.materials.size(), 1u);
}
