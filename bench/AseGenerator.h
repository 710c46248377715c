#pragma once

#include <cstddef>
#include <string>

// Writes ASE model text of any size in the layout real exports use: a material
// list, then one mesh with its vertex list, face list and per-corner normals,
// each at the indentation the reader keys on. The mesh is a strip of
// quads, two triangles each, so the numbers look like a real model's.
class AseGenerator {
public:
    // Text for a mesh of `faces` triangles (rounded up to an even number)
    // and `materials` materials, which the faces use in turn.
    static std::string text(std::size_t faces, std::size_t materials = 4);

    // Writes text(faces, materials) to `path`; false when it cannot be written.
    static bool writeFile(const std::string& path, std::size_t faces, std::size_t materials = 4);

    // The number of vertices text(faces, ...) lists.
    static std::size_t vertexCount(std::size_t faces);
};
