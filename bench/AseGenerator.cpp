#include "bench/AseGenerator.h"

#include <cstdarg>
#include <cstdio>
#include <fstream>

namespace {

void appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void appendf(std::string& out, const char* format, ...)
{
    char line[256];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (length > 0)
        out.append(line,
                   static_cast<std::size_t>(length) < sizeof line ? static_cast<std::size_t>(length) : sizeof line - 1);
}

void appendMaterials(std::string& out, std::size_t materials)
{
    out += "*MATERIAL_LIST {\n";
    appendf(out, "\t*MATERIAL_COUNT %zu\n", materials);
    for (std::size_t m = 0; m < materials; ++m) {
        const double shade = 0.2 + 0.6 * static_cast<double>(m) / static_cast<double>(materials);
        appendf(out, "\t*MATERIAL %zu {\n", m);
        appendf(out, "\t\t*MATERIAL_NAME \"Material #%zu\"\n", m);
        out += "\t\t*MATERIAL_CLASS \"Standard\"\n";
        appendf(out, "\t\t*MATERIAL_AMBIENT %.4f\t%.4f\t%.4f\n", shade * 0.5, shade * 0.4, shade * 0.3);
        appendf(out, "\t\t*MATERIAL_DIFFUSE %.4f\t%.4f\t%.4f\n", shade, shade * 0.8, shade * 0.6);
        out += "\t\t*MATERIAL_SPECULAR 0.9000\t0.9000\t0.9000\n";
        out += "\t\t*MATERIAL_SHINE 0.2500\n";
        out += "\t\t*MATERIAL_SHINESTRENGTH 0.0500\n";
        out += "\t\t*MATERIAL_TRANSPARENCY 0.0000\n";
        out += "\t}\n";
    }
    out += "}\n";
}

} // namespace

std::size_t AseGenerator::vertexCount(std::size_t faces)
{
    const std::size_t quads = (faces + 1) / 2;
    return 2 * (quads + 1);
}

std::string AseGenerator::text(std::size_t faces, std::size_t materials)
{
    const std::size_t quads = (faces + 1) / 2;
    const std::size_t triangles = 2 * quads;
    const std::size_t vertices = vertexCount(faces);
    if (materials == 0)
        materials = 1;

    std::string out;
    out.reserve(triangles * 260 + 4096);
    out += "*COMMENT \"generated for the reader benchmark\"\n";
    appendMaterials(out, materials);

    out += "*GEOMOBJECT {\n";
    out += "\t*NODE_NAME \"Strip\"\n";
    out += "\t*MESH {\n";
    out += "\t\t*TIMEVALUE 0\n";
    appendf(out, "\t\t*MESH_NUMVERTEX %zu\n", vertices);
    appendf(out, "\t\t*MESH_NUMFACES %zu\n", triangles);

    // Two rows of vertices along x; quad q spans columns q and q + 1.
    out += "\t\t*MESH_VERTEX_LIST {\n";
    for (std::size_t v = 0; v < vertices; ++v) {
        const double x = static_cast<double>(v / 2) * 0.125;
        const double z = (v % 2) * 1.5;
        appendf(out, "\t\t\t*MESH_VERTEX %5zu\t%.4f\t%.4f\t%.4f\n", v, x, -0.25, z);
    }
    out += "\t\t}\n";

    out += "\t\t*MESH_FACE_LIST {\n";
    for (std::size_t f = 0; f < triangles; ++f) {
        const std::size_t q = f / 2;
        const std::size_t a = 2 * q;
        const std::size_t b = f % 2 == 0 ? 2 * q + 2 : 2 * q + 3;
        const std::size_t c = f % 2 == 0 ? 2 * q + 3 : 2 * q + 1;
        appendf(out,
                "\t\t\t*MESH_FACE %5zu:    A: %5zu B: %5zu C: %5zu AB:    1 BC:    1 CA:    0\t *MESH_SMOOTHING 1 "
                "\t*MESH_MTLID %zu\n",
                f, a, b, c, f % materials);
    }
    out += "\t\t}\n";

    out += "\t\t*MESH_NORMALS {\n";
    for (std::size_t f = 0; f < triangles; ++f) {
        appendf(out, "\t\t\t*MESH_FACENORMAL %zu\t0.0000\t-1.0000\t0.0000\n", f);
        for (int corner = 0; corner < 3; ++corner)
            appendf(out, "\t\t\t\t*MESH_VERTEXNORMAL %zu\t0.0000\t-1.0000\t0.0000\n",
                    2 * (f / 2) + static_cast<std::size_t>(corner));
    }
    out += "\t\t}\n";
    out += "\t}\n";
    out += "}\n";
    return out;
}

bool AseGenerator::writeFile(const std::string& path, std::size_t faces, std::size_t materials)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    const std::string content = text(faces, materials);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    file.close();
    return !file.fail();
}
