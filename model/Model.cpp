#include "model/Model.h"

#include "model/AseReader.h"
#include "support/ProgressListener.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <utility>

namespace {

ProgressListener* loadListener = nullptr;

// The compile tells the listener of its progress every this many faces: a few
// milliseconds of work on a software GL, so a request to quit is answered soon.
constexpr std::uint64_t kFacesPerReport = 4096;

// Stands in for a material index that names no material.
const MeshMaterial kDefaultMaterial = [] {
    MeshMaterial material;
    material.ambient = MeshColour{0.6f, 0.6f, 0.6f};
    material.diffuse = MeshColour{0.8f, 0.8f, 0.8f};
    material.specular = MeshColour{0.0f, 0.0f, 0.0f};
    material.transparency = 1.0f;
    return material;
}();

void sendColour(GLenum which, const MeshColour& colour, float alpha)
{
    const GLfloat values[4] = {colour.r, colour.g, colour.b, alpha};
    glMaterialfv(GL_FRONT_AND_BACK, which, values);
}

void sendCorner(const MeshNormal& normal, const MeshVertex& vertex)
{
    glNormal3f(normal.x, normal.y, normal.z);
    glVertex3f(vertex.x, vertex.y, vertex.z);
}

std::string& symbolDir()
{
    static std::string folder = kSymbolDir;
    return folder;
}

} // namespace

void Model::setSymbolDir(std::string folderPath)
{
    symbolDir() = std::move(folderPath);
}

std::string Model::symbolPath(const std::string& typeName)
{
    return symbolDir() + typeName + ".ASE";
}

Model::Model(std::string typeName) : name(std::move(typeName))
{
    // Never closed: the lights are placed under this accumulated translation.
    translate(1.0f, 1.0f, 1.0f);
    const std::string path = symbolPath(name);
    std::string failure;
    if (!load(path, &failure)) {
        std::fprintf(stderr, "Could not open symbol model: %s: %s\n", path.c_str(), failure.c_str());
        std::exit(1); // SDL, if started, is shut down by its exit handler
    }
}

void Model::setProgressListener(ProgressListener* listener)
{
    loadListener = listener;
}

bool Model::load(const std::string& path, std::string* failure)
{
    MeshLists lists;
    if (!AseReader::readFile(path, lists, failure, loadListener))
        return false;
    vertices = std::move(lists.vertices);
    faces = std::move(lists.faces);
    materials = std::move(lists.materials);
    measureBounds();

    std::cout << "Creating Displaylist: " << path;
    displayList = glGenLists(1);
    glNewList(displayList, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    std::uint64_t facesDone = 0;
    for (const MeshFace& face : faces) {
        if (loadListener != nullptr && ++facesDone % kFacesPerReport == 0)
            loadListener->progressed(facesDone);
        const int corners[3] = {face.vertexA, face.vertexB, face.vertexC};
        bool cornersValid = true;
        for (int corner : corners)
            cornersValid = cornersValid && corner >= 0 && static_cast<std::size_t>(corner) < vertices.size();
        if (!cornersValid)
            continue;
        const bool materialValid
            = face.materialIndex >= 0 && static_cast<std::size_t>(face.materialIndex) < materials.size();
        const MeshMaterial& material = materialValid ? materials[face.materialIndex] : kDefaultMaterial;

        sendColour(GL_DIFFUSE, material.diffuse, material.transparency);
        sendColour(GL_AMBIENT, material.ambient, material.transparency);
        sendColour(GL_SPECULAR, material.specular, material.transparency);
        for (int corner = 0; corner < 3; ++corner)
            sendCorner(face.normals[corner], vertices[corners[corner]]);
    }
    glEnd();
    glEndList();
    std::cout << " ... done" << std::endl;
    return true;
}

void Model::measureBounds()
{
    lowest = highest = vertices.empty() ? MeshVertex() : vertices.front();
    for (const MeshVertex& vertex : vertices) {
        lowest.x = std::min(lowest.x, vertex.x);
        lowest.y = std::min(lowest.y, vertex.y);
        lowest.z = std::min(lowest.z, vertex.z);
        highest.x = std::max(highest.x, vertex.x);
        highest.y = std::max(highest.y, vertex.y);
        highest.z = std::max(highest.z, vertex.z);
    }
}

void Model::translate(float x, float y, float z)
{
    glPushMatrix();
    glTranslatef(x, y, z);
}

void Model::scale(float s)
{
    glScalef(s, s, s);
}

void Model::scale(float sx, float sy, float sz)
{
    glScalef(sx, sy, sz);
}

void Model::draw()
{
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    glCallList(displayList);
    glPopMatrix();
}
