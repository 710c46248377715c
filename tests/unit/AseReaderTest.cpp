#include "model/AseReader.h"
#include "tests/unit/AseTestFiles.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <limits>
#include <sstream>
#include <string>

namespace {

std::string vertexLine(const std::string& fields)
{
    return "\t\t\t*MESH_VERTEX    " + fields + "\n";
}

std::string faceLine(int a, int b, int c, int material)
{
    return "\t\t\t*MESH_FACE    0:    A:    " + std::to_string(a) + " B:    " + std::to_string(b)
        + " C:    " + std::to_string(c) + " AB:    1 BC:    1 CA:    0\t *MESH_SMOOTHING 1 \t*MESH_MTLID "
        + std::to_string(material) + "\n";
}

std::string normalLine(const std::string& fields)
{
    return "\t\t\t\t*MESH_VERTEXNORMAL " + fields + "\n";
}

std::string materialBlock(const std::string& ambient, const std::string& diffuse, const std::string& specular,
                          const std::string& shine, const std::string& strength, const std::string& transparency)
{
    return "\t*MATERIAL 0 {\n"
           "\t\t*MATERIAL_NAME \"m\"\n"
           "\t\t*MATERIAL_AMBIENT "
        + ambient
        + "\n"
          "\t\t*MATERIAL_DIFFUSE "
        + diffuse
        + "\n"
          "\t\t*MATERIAL_SPECULAR "
        + specular
        + "\n"
          "\t\t*MATERIAL_SHINE "
        + shine
        + "\n"
          "\t\t*MATERIAL_SHINESTRENGTH "
        + strength
        + "\n"
          "\t\t*MATERIAL_TRANSPARENCY "
        + transparency
        + "\n"
          "\t}\n";
}

void expectVertex(const MeshVertex& v, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

void expectNormal(const MeshNormal& n, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(n.x, x);
    EXPECT_FLOAT_EQ(n.y, y);
    EXPECT_FLOAT_EQ(n.z, z);
}

void expectColour(const MeshColour& c, float r, float g, float b)
{
    EXPECT_FLOAT_EQ(c.r, r);
    EXPECT_FLOAT_EQ(c.g, g);
    EXPECT_FLOAT_EQ(c.b, b);
}

} // namespace

TEST(AseReader, ReadsAWellFormedFileAndAnnouncesIt)
{
    AseTestFiles files;
    const std::string text = "*COMMENT \"test model\"\n"
                             "*MATERIAL_LIST {\n"
                             "\t*MATERIAL_COUNT 1\n"
        + materialBlock("0.1 0.2 0.3", "0.4\t0.5\t0.6", "0.7 0.8 0.9", "0.25", "0.05", "0.5")
        + "}\n*GEOMOBJECT {\n\t*MESH {\n\t\t*MESH_VERTEX_LIST {\n" + vertexLine("0\t-1.5\t2.0\t3.25")
        + vertexLine("1\t4.0\t5.0\t6.0") + vertexLine("2\t7.0\t8.0\t-9.0") + "\t\t}\n\t\t*MESH_FACE_LIST {\n"
        + faceLine(2, 0, 1, 0) + "\t\t}\n" + "\t\t*MESH_NORMALS {\n\t\t\t*MESH_FACENORMAL 0\t0 0 1\n"
        + normalLine("2\t0.0 0.0 1.0") + normalLine("0\t0.0 1.0 0.0") + normalLine("1\t1.0 0.0 0.0")
        + "\t\t}\n\t}\n}\n";
    const MeshLists lists = files.read(text);

    ASSERT_EQ(lists.vertices.size(), 3u);
    expectVertex(lists.vertices[0], -1.5f, 2.0f, 3.25f);
    expectVertex(lists.vertices[2], 7.0f, 8.0f, -9.0f);
    ASSERT_EQ(lists.faces.size(), 1u);
    EXPECT_EQ(lists.faces[0].vertexA, 2);
    EXPECT_EQ(lists.faces[0].vertexB, 0);
    EXPECT_EQ(lists.faces[0].vertexC, 1);
    EXPECT_EQ(lists.faces[0].materialIndex, 0);
    expectNormal(lists.faces[0].normals[0], 0.0f, 0.0f, 1.0f);
    expectNormal(lists.faces[0].normals[1], 0.0f, 1.0f, 0.0f);
    expectNormal(lists.faces[0].normals[2], 1.0f, 0.0f, 0.0f);
    ASSERT_EQ(lists.materials.size(), 1u);
    expectColour(lists.materials[0].ambient, 0.1f, 0.2f, 0.3f);
    expectColour(lists.materials[0].diffuse, 0.4f, 0.5f, 0.6f);
    expectColour(lists.materials[0].specular, 0.7f, 0.8f, 0.9f);
    EXPECT_FLOAT_EQ(lists.materials[0].shine, 0.25f);
    EXPECT_FLOAT_EQ(lists.materials[0].shineStrength, 0.05f);
    EXPECT_FLOAT_EQ(lists.materials[0].transparency, 0.5f);
    EXPECT_EQ(files.lastOutput, "Loading " + files.folder + "/model0.ASE\n");
}

TEST(AseReader, MissingFileReturnsFalseAndPrintsNothing)
{
    MeshLists lists;
    lists.vertices.resize(2);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(AseReader::readFile("/nonexistent/lumenfold/folder.ASE", lists));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(lists.vertices.size(), 2u);
}

TEST(AseReader, EmptyFileGivesEmptyListsAndIsStillAnnounced)
{
    AseTestFiles files;
    for (const std::string& text : {std::string(), std::string("*COMMENT \"no mesh\"\n{\n}\n")}) {
        const MeshLists lists = files.read(text);
        EXPECT_TRUE(lists.vertices.empty());
        EXPECT_TRUE(lists.faces.empty());
        EXPECT_TRUE(lists.materials.empty());
        EXPECT_EQ(files.lastOutput.rfind("Loading ", 0), 0u);
    }
}

// The index is a character index: blanks count like tabs.
TEST(AseReader, TakesEachKeywordOnlyAtItsOwnCharacterIndex)
{
    struct Case {
        std::string keyword;
        std::size_t index;
    };
    const Case cases[] = {
        {"*MESH_VERTEX ", 3},
        {"*MESH_FACE ", 3},
        {"*MATERIAL_AMBIENT ", 2},
    };
    for (const Case& c : cases) {
        for (std::size_t indent = 0; indent <= 5; ++indent) {
            std::string line = std::string(indent, indent % 2 ? ' ' : '\t') + c.keyword;
            line += c.keyword == "*MESH_FACE " ? "0: A: 0 B: 0 C: 0 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 *MESH_MTLID 0"
                                               : "1 2 3 4";
            const MeshLists lists = AseReader::readText(line + "\n");
            const std::size_t records = lists.vertices.size() + lists.faces.size() + lists.materials.size();
            EXPECT_EQ(records, indent == c.index ? 1u : 0u) << c.keyword << " at " << indent;
        }
    }
}

TEST(AseReader, IgnoresVertexNormalsAndMaterialLinesAtTheWrongIndentation)
{
    const std::string text = "\t\t*MATERIAL_AMBIENT 0.1 0.1 0.1\n"
                             "\t\t\t*MATERIAL_DIFFUSE 0.9 0.9 0.9\n" // a sub-material's colour
                             "\t*MATERIAL_SPECULAR 0.9 0.9 0.9\n"
                             "\t\t\t\t*MATERIAL_SHINE 0.9\n"
                             "\t\t\t*MATERIAL_TRANSPARENCY 0.9\n"
        + faceLine(0, 0, 0, 0) + "\t\t\t*MESH_VERTEXNORMAL 0 1 1 1\n" + "\t\t\t\t\t*MESH_VERTEXNORMAL 0 1 1 1\n";
    const MeshLists lists = AseReader::readText(text);
    ASSERT_EQ(lists.materials.size(), 1u);
    expectColour(lists.materials[0].diffuse, 0.0f, 0.0f, 0.0f);
    expectColour(lists.materials[0].specular, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(lists.materials[0].shine, 0.0f);
    EXPECT_EQ(lists.materials[0].transparency, 0.0f);
    ASSERT_EQ(lists.faces.size(), 1u);
    expectNormal(lists.faces[0].normals[0], 0.0f, 0.0f, 0.0f);
}

TEST(AseReader, IgnoresAKeywordFollowedByATabInsteadOfABlank)
{
    const MeshLists lists = AseReader::readText("\t\t\t*MESH_VERTEX\t0 1 2 3\n\t\t*MATERIAL_AMBIENT\t1 1 1\n");
    EXPECT_TRUE(lists.vertices.empty());
    EXPECT_TRUE(lists.materials.empty());
}

TEST(AseReader, DoesNotTakeFaceNormalsForFacesNorShineStrengthForShine)
{
    const std::string text = faceLine(0, 1, 2, 0) + "\t\t\t*MESH_FACENORMAL 0\t0.0 0.0 1.0\n"
        + "\t\t*MATERIAL_AMBIENT 0 0 0\n\t\t*MATERIAL_SHINESTRENGTH 0.75\n";
    const MeshLists lists = AseReader::readText(text);
    EXPECT_EQ(lists.faces.size(), 1u);
    ASSERT_EQ(lists.materials.size(), 1u);
    EXPECT_FLOAT_EQ(lists.materials[0].shineStrength, 0.75f);
    EXPECT_EQ(lists.materials[0].shine, 0.0f);
}

TEST(AseReader, FillsNormalsCornerByCornerWhateverVertexNumberTheyCarry)
{
    const std::string text = faceLine(0, 1, 2, 0) + faceLine(2, 1, 0, 0) + normalLine("7 1 0 0") + normalLine("7 0 1 0")
        + normalLine("7 0 0 1") + normalLine("0 0.5 0.5 0");
    const MeshLists lists = AseReader::readText(text);
    ASSERT_EQ(lists.faces.size(), 2u);
    expectNormal(lists.faces[0].normals[2], 0.0f, 0.0f, 1.0f);
    expectNormal(lists.faces[1].normals[0], 0.5f, 0.5f, 0.0f);
    // Not yet reached by any normal line: zero.
    expectNormal(lists.faces[1].normals[1], 0.0f, 0.0f, 0.0f);
}

TEST(AseReader, KeepsNormalsUnnormalisedAsWritten)
{
    const MeshLists lists = AseReader::readText(faceLine(0, 0, 0, 0) + normalLine("0 3 4 0"));
    expectNormal(lists.faces.at(0).normals[0], 3.0f, 4.0f, 0.0f);
}

TEST(AseReader, CollectsTheVerticesOfAllMeshObjectsIntoOneListAndKeepsFaceIndicesAsWritten)
{
    const std::string mesh = "\t*MESH {\n" + vertexLine("0 0 0 0") + vertexLine("1 1 0 0") + vertexLine("2 0 1 0")
        + faceLine(0, 1, 2, 0) + "\t}\n";
    const MeshLists lists = AseReader::readText("*GEOMOBJECT {\n" + mesh + "}\n*GEOMOBJECT {\n" + mesh + "}\n");
    ASSERT_EQ(lists.vertices.size(), 6u);
    ASSERT_EQ(lists.faces.size(), 2u);
    EXPECT_EQ(lists.faces[1].vertexA, 0);
    EXPECT_EQ(lists.faces[1].vertexC, 2);
}

TEST(AseReader, MaterialWithoutTransparencyIsOverwrittenByTheNextBlock)
{
    const std::string first = "\t\t*MATERIAL_AMBIENT 0.1 0.1 0.1\n\t\t*MATERIAL_DIFFUSE 0.2 0.2 0.2\n";
    const std::string second = materialBlock("0.3 0.3 0.3", "0.4 0.4 0.4", "0.5 0.5 0.5", "0.6", "0.7", "0.8");
    const std::string third = materialBlock("0.9 0.9 0.9", "1 1 1", "1 1 1", "1", "1", "1");
    const MeshLists lists = AseReader::readText(first + second + third);
    ASSERT_EQ(lists.materials.size(), 3u);
    expectColour(lists.materials[0].ambient, 0.1f, 0.1f, 0.1f);
    expectColour(lists.materials[0].diffuse, 0.4f, 0.4f, 0.4f);
    EXPECT_FLOAT_EQ(lists.materials[0].transparency, 0.8f);
    // The second block's ambient line still appended its own material, which
    // keeps only that colour; the third block then fills the second material.
    expectColour(lists.materials[1].ambient, 0.3f, 0.3f, 0.3f);
    expectColour(lists.materials[1].diffuse, 1.0f, 1.0f, 1.0f);
    expectColour(lists.materials[2].ambient, 0.9f, 0.9f, 0.9f);
    expectColour(lists.materials[2].diffuse, 0.0f, 0.0f, 0.0f);
}

TEST(AseReader, StartsEverySlotAndFieldAtZero)
{
    const MeshLists lists = AseReader::readText("\t\t\t*MESH_VERTEX \n\t\t\t*MESH_FACE \n\t\t*MATERIAL_AMBIENT \n");
    ASSERT_EQ(lists.vertices.size(), 1u);
    expectVertex(lists.vertices[0], 0.0f, 0.0f, 0.0f);
    ASSERT_EQ(lists.faces.size(), 1u);
    EXPECT_EQ(lists.faces[0].vertexA, 0);
    EXPECT_EQ(lists.faces[0].materialIndex, 0);
    ASSERT_EQ(lists.materials.size(), 1u);
    expectColour(lists.materials[0].specular, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(lists.materials[0].transparency, 0.0f);
}

TEST(AseReader, AFailedFieldKeepsItsSlotAndFailsTheRestOfTheLine)
{
    const MeshLists lists = AseReader::readText(vertexLine("0 1 2 3") + vertexLine("1 5 abc 9") + vertexLine("2 7"));
    ASSERT_EQ(lists.vertices.size(), 3u);
    // y fails, so z is not read either: 9 never reaches the slot.
    expectVertex(lists.vertices[1], 5.0f, 2.0f, 3.0f);
    expectVertex(lists.vertices[2], 7.0f, 2.0f, 3.0f);
}

TEST(AseReader, FloatSlotsAreSharedAcrossLineKinds)
{
    const std::string text = "\t\t*MATERIAL_AMBIENT 0.25 0.5 0.75\n" + vertexLine("0") + faceLine(0, 0, 0, 0)
        + normalLine("0 -1") + "\t\t*MATERIAL_SHINE x\n";
    const MeshLists lists = AseReader::readText(text);
    expectVertex(lists.vertices.at(0), 0.25f, 0.5f, 0.75f);
    expectNormal(lists.faces.at(0).normals[0], -1.0f, 0.5f, 0.75f);
    EXPECT_FLOAT_EQ(lists.materials.at(0).shine, -1.0f);
}

TEST(AseReader, SmoothingGroupListLeavesThePreviousFacesMaterialIndex)
{
    const std::string text = faceLine(0, 1, 2, 4)
        + "\t\t\t*MESH_FACE    1:    A:    3 B:    4 C:    5 AB:    1 BC:    1 CA:    0\t *MESH_SMOOTHING 1,2 "
          "\t*MESH_MTLID 9\n"
        + "\t\t\t*MESH_FACE    2:    A:    6 B:    7 C:    8 AB:    1 BC:    1 CA:    0\t *MESH_SMOOTHING "
          "\t*MESH_MTLID 9\n";
    const MeshLists lists = AseReader::readText(text);
    ASSERT_EQ(lists.faces.size(), 3u);
    EXPECT_EQ(lists.faces[1].vertexC, 5);
    EXPECT_EQ(lists.faces[1].materialIndex, 4);
    EXPECT_EQ(lists.faces[2].vertexA, 6);
    EXPECT_EQ(lists.faces[2].materialIndex, 4);
}

TEST(AseReader, FaceFieldsAreTakenByPositionNotByLabel)
{
    const MeshLists lists
        = AseReader::readText("\t\t\t*MESH_FACE 0: X: 3 Y: 4 Z: 5 a 1 b 1 c 1 s 1 m 2 trailing words\n");
    ASSERT_EQ(lists.faces.size(), 1u);
    EXPECT_EQ(lists.faces[0].vertexA, 3);
    EXPECT_EQ(lists.faces[0].vertexC, 5);
    EXPECT_EQ(lists.faces[0].materialIndex, 2);
}

TEST(AseReader, NumbersFollowStreamExtractionRules)
{
    const std::string text = vertexLine("0 +.5 -2e1 1E-2") // signs, bare point, exponents
        + vertexLine("1 1.5.5 7 8") // a second point ends the number; ".5" is then read as y
        + vertexLine("2 1e 9 9") // an exponent without digits fails
        + vertexLine("3 1e39 9 9") // too large for a float fails
        + vertexLine("4 1e-50 6 6") // too small becomes zero
        + faceLine(1, 0, 6, 3) + "\t\t\t*MESH_FACE 1: A: 2147483648 B: 1 C: 1 AB: 1 BC: 1 CA: 1 *S 1 *M 1\n"
        + "\t\t\t*MESH_FACE 2: A: -2147483648 B: 0x5 C: 1 AB: 1 BC: 1 CA: 1 *S 1 *M 1\n";
    const MeshLists lists = AseReader::readText(text);
    ASSERT_EQ(lists.vertices.size(), 5u);
    expectVertex(lists.vertices[0], 0.5f, -20.0f, 0.01f);
    expectVertex(lists.vertices[1], 1.5f, 0.5f, 7.0f);
    expectVertex(lists.vertices[2], 1.5f, 0.5f, 7.0f);
    expectVertex(lists.vertices[3], 1.5f, 0.5f, 7.0f);
    expectVertex(lists.vertices[4], 0.0f, 6.0f, 6.0f);
    ASSERT_EQ(lists.faces.size(), 3u);
    EXPECT_EQ(lists.faces[1].vertexA, 1); // overflow: every slot kept from face 0
    EXPECT_EQ(lists.faces[1].vertexC, 6);
    EXPECT_EQ(lists.faces[1].materialIndex, 3);
    EXPECT_EQ(lists.faces[2].vertexA, std::numeric_limits<int>::min());
    EXPECT_EQ(lists.faces[2].vertexB, 0); // "0x5" reads 0 and leaves "x5" as the next label
    EXPECT_EQ(lists.faces[2].vertexC, 6); // ...so "C:" stands where the number should be
}

TEST(AseReader, IgnoresNormalsPastTheLastFaceAndMaterialLinesWithoutAMaterial)
{
    const std::string text = "\t\t*MATERIAL_DIFFUSE 0.5 0.5 0.5\n\t\t*MATERIAL_TRANSPARENCY 0.5\n"
        + materialBlock("0.1 0.1 0.1", "0.2 0.2 0.2", "0.3 0.3 0.3", "0", "0", "0")
        + "\t\t*MATERIAL_SPECULAR 0.9 0.9 0.9\n" + normalLine("0 1 1 1") + faceLine(0, 0, 0, 0) + normalLine("0 1 0 0")
        + normalLine("0 0 1 0") + normalLine("0 0 0 1") + normalLine("0 5 5 5");
    const MeshLists lists = AseReader::readText(text);
    ASSERT_EQ(lists.materials.size(), 1u);
    // The stray transparency line did not advance the counter, so the block
    // that follows still fills material 0.
    expectColour(lists.materials[0].diffuse, 0.2f, 0.2f, 0.2f);
    expectColour(lists.materials[0].specular, 0.3f, 0.3f, 0.3f);
    ASSERT_EQ(lists.faces.size(), 1u);
    // The normal before the first face was dropped rather than kept for it.
    expectNormal(lists.faces[0].normals[0], 1.0f, 0.0f, 0.0f);
    expectNormal(lists.faces[0].normals[2], 0.0f, 0.0f, 1.0f);
}

TEST(AseReader, ReadsCrLfLineEndsAndALastLineWithoutLineEnd)
{
    AseTestFiles files;
    const std::string text = "\t\t\t*MESH_VERTEX 0 1 2 3\r\n\t\t\t*MESH_VERTEX 1 4 5 6\r\n\t\t\t*MESH_VERTEX 2 7 8 9";
    const MeshLists lists = files.read(text);
    ASSERT_EQ(lists.vertices.size(), 3u);
    expectVertex(lists.vertices[1], 4.0f, 5.0f, 6.0f);
    expectVertex(lists.vertices[2], 7.0f, 8.0f, 9.0f);

    std::istringstream stream(text);
    EXPECT_EQ(AseReader::readStream(stream).vertices.size(), 3u);
    EXPECT_EQ(AseReader::readText(text).vertices.size(), 3u);
}

TEST(AseReader, ReadsTheFirst64KiBOfALongLineAndSkipsTheRest)
{
    AseTestFiles files;
    const std::string padding(30000, ' ');
    const std::string beyond(AseReader::kMaxLineLength, ' ');
    // Numbers within the first 64 KiB count; those beyond are skipped, so the
    // second vertex keeps the slots the first one left.
    const std::string text = std::string(100000, 'x') + "\n" + "\t\t\t*MESH_VERTEX 0" + padding + "1" + padding + "2 3"
        + beyond + "\n" + "\t\t\t*MESH_VERTEX 1" + beyond + "7 8 9\n" + faceLine(0, 0, 0, 0);
    for (const MeshLists& lists : {files.read(text), AseReader::readText(text)}) {
        ASSERT_EQ(lists.vertices.size(), 2u);
        expectVertex(lists.vertices[0], 1.0f, 2.0f, 3.0f);
        expectVertex(lists.vertices[1], 1.0f, 2.0f, 3.0f);
        EXPECT_EQ(lists.faces.size(), 1u);
    }
}

TEST(AseReader, AHugeFileWithoutLineEndsLoadsEmptyInBoundedMemory)
{
    AseTestFiles files;
    const std::string path = files.write("");
    // 400 MB of NUL bytes, stored as a hole.
    ASSERT_EQ(truncate(path.c_str(), 400LL << 20), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // 200 MB of address space beyond what the process holds now.
        long pages = 0;
        std::FILE* statm = std::fopen("/proc/self/statm", "r");
        if (statm == nullptr || std::fscanf(statm, "%ld", &pages) != 1)
            _exit(3);
        std::fclose(statm);
        const rlim_t limit = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (200u << 20);
        const rlimit bound{limit, limit};
        if (setrlimit(RLIMIT_AS, &bound) != 0)
            _exit(4);
        MeshLists lists;
        std::string failure;
        const bool opened = AseReader::readFile(path, lists, &failure);
        _exit(opened && lists.vertices.empty() && lists.faces.empty() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(AseReader, ReadsLinesFedOneByOne)
{
    AseReader reader;
    reader.readLine("\t\t\t*MESH_VERTEX 0 1 2 3\r");
    reader.readLine("\t\t\t*MESH_VERTEX 1 4 5 6");
    const MeshLists lists = reader.takeLists();
    ASSERT_EQ(lists.vertices.size(), 2u);
    expectVertex(lists.vertices[0], 1.0f, 2.0f, 3.0f);
}
