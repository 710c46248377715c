#pragma once

#include <vector>

// The records a symbol model is read into. Every field starts at zero.

struct MeshVertex {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct MeshNormal {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// One triangle: corner indices into the vertex list, one normal per corner
// (corners A, B, C), and an index into the material list.
struct MeshFace {
    MeshNormal normals[3];
    int vertexA = 0;
    int vertexB = 0;
    int vertexC = 0;
    int materialIndex = 0;
};

struct MeshColour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

struct MeshMaterial {
    MeshColour ambient;
    MeshColour diffuse;
    MeshColour specular;
    float shine = 0.0f;
    float shineStrength = 0.0f;
    float transparency = 0.0f;
};

// The three lists a model file is read into, in file order.
struct MeshLists {
    std::vector<MeshVertex> vertices;
    std::vector<MeshFace> faces;
    std::vector<MeshMaterial> materials;
};
