// Writes the symbol models into the folder given as the only argument
// (default: the current folder): folder.ASE and file.ASE, and one model for
// each group of file types (image.ASE, video.ASE, ...) in the group's colour.
//
// Each symbol is a few closed prisms: a flat profile, wound counter-clockwise,
// pushed out along one axis. Model z is up and the model's -y side is the
// front the viewer sees. The base sits at z = -2 and the top near z = 0, so at
// the viewer's icon scale of 0.5 a symbol stands on the ground one unit tall.
// Corner normals are flat on the caps and on sharp profile corners and follow
// the curve on rounded ones.

#include "types/TypeGroup.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

Vec3 operator+(Vec3 a, Vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(Vec3 a, double s)
{
    return {a.x * s, a.y * s, a.z * s};
}
Vec3 cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 normalized(Vec3 a)
{
    return a * (1.0 / std::sqrt(dot(a, a)));
}

struct Colour {
    double r, g, b;
};

struct Material {
    std::string name;
    Colour ambient;
    Colour diffuse;
    Colour specular;
    double shine;
    double shineStrength;
};

// One point of a profile, in the profile's own (u, v) plane. A rounded point
// carries the outward normal of the curve through it.
struct ProfilePoint {
    double u = 0.0;
    double v = 0.0;
    bool rounded = false;
    double nu = 0.0;
    double nv = 0.0;
};

// Where a profile lies: u and v span its plane, w = u x v is the direction it
// is pushed out along.
struct Frame {
    Vec3 u;
    Vec3 v;
    Vec3 w;
};

const Frame kFacingViewer{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}; // profile in x-z, pushed towards -y
const Frame kAcrossX{{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}; // profile in y-z, pushed along +x

struct Corner {
    int vertex;
    Vec3 normal;
};

struct Triangle {
    Corner corners[3];
    int material;
    bool smooth;
};

class Mesh {
public:
    // Adds a closed prism: the profile (counter-clockwise, star-shaped from its
    // first point) between w = w0 and w = w1 of the frame.
    void addPrism(const std::vector<ProfilePoint>& profile, const Frame& frame, double w0, double w1, int material)
    {
        const int n = static_cast<int>(profile.size());
        const int base = static_cast<int>(vertices.size());
        for (double w : {w0, w1})
            for (const ProfilePoint& p : profile)
                vertices.push_back(frame.u * p.u + frame.v * p.v + frame.w * w);
        auto bottom = [&](int i) { return base + i % n; };
        auto top = [&](int i) { return base + n + i % n; };

        const Vec3 up = frame.w;
        const Vec3 down = frame.w * -1.0;
        for (int i = 1; i + 1 < n; ++i) {
            requireCounterClockwise(profile[0], profile[i], profile[i + 1]);
            add({{{top(0), up}, {top(i), up}, {top(i + 1), up}}, material, false});
            add({{{bottom(0), down}, {bottom(i + 1), down}, {bottom(i), down}}, material, false});
        }
        for (int i = 0; i < n; ++i) {
            const ProfilePoint& a = profile[i];
            const ProfilePoint& b = profile[(i + 1) % n];
            // Outward side of an edge of a counter-clockwise profile: its right.
            const Vec3 flat = normalized(frame.u * (b.v - a.v) - frame.v * (b.u - a.u));
            const Vec3 na = a.rounded ? normalized(frame.u * a.nu + frame.v * a.nv) : flat;
            const Vec3 nb = b.rounded ? normalized(frame.u * b.nu + frame.v * b.nv) : flat;
            const bool smooth = a.rounded && b.rounded;
            add({{{bottom(i), na}, {bottom(i + 1), nb}, {top(i + 1), nb}}, material, smooth});
            add({{{bottom(i), na}, {top(i + 1), nb}, {top(i), na}}, material, smooth});
        }
    }

    std::vector<Vec3> vertices;
    std::vector<Triangle> triangles;

private:
    void add(const Triangle& triangle) { triangles.push_back(triangle); }

    static void requireCounterClockwise(const ProfilePoint& a, const ProfilePoint& b, const ProfilePoint& c)
    {
        const double area = (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u);
        if (area <= 1e-6) {
            std::fprintf(stderr, "make_symbols: profile is not star-shaped from its first point\n");
            std::exit(1);
        }
    }
};

ProfilePoint corner(double u, double v)
{
    return {u, v, false, 0.0, 0.0};
}

// Points of a circular arc, from angle `from` to `to` (degrees, counter-clockwise).
void appendArc(std::vector<ProfilePoint>& profile, double cu, double cv, double radius, double from, double to,
               int segments)
{
    const double kPi = 3.14159265358979323846;
    for (int i = 0; i <= segments; ++i) {
        const double angle = (from + (to - from) * i / segments) * kPi / 180.0;
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        profile.push_back({cu + radius * c, cv + radius * s, true, c, s});
    }
}

std::vector<ProfilePoint> box(double u0, double v0, double u1, double v1)
{
    return {corner(u0, v0), corner(u1, v0), corner(u1, v1), corner(u0, v1)};
}

struct Symbol {
    std::string name;
    std::vector<Material> materials;
    Mesh mesh;
};

// A folder standing upright: a back panel with a tab, a sheet of paper
// showing above the front panel, and the front panel with a rounded lip.
Symbol makeFolder()
{
    Symbol folder;
    folder.name = "folder";
    folder.materials = {
        {"Folder Front", {0.62, 0.46, 0.10}, {0.45, 0.32, 0.06}, {0.12, 0.10, 0.06}, 0.25, 0.10},
        {"Folder Back", {0.52, 0.35, 0.07}, {0.38, 0.24, 0.04}, {0.08, 0.07, 0.05}, 0.20, 0.05},
        {"Paper", {0.66, 0.66, 0.63}, {0.40, 0.40, 0.38}, {0.08, 0.08, 0.08}, 0.10, 0.05},
    };
    // Back panel, y from 0 to 0.1, its tab on the left.
    folder.mesh.addPrism({corner(-0.85, -2.0), corner(0.85, -2.0), corner(0.85, -0.32), corner(-0.12, -0.32),
                          corner(-0.26, -0.12), corner(-0.85, -0.12)},
                         kFacingViewer, -0.10, 0.0, 1);
    // Paper between the panels, y from -0.035 to -0.015.
    folder.mesh.addPrism(box(-0.72, -1.90, 0.72, -0.22), kFacingViewer, 0.015, 0.035, 2);
    // Front panel, y from -0.16 to -0.05, rounded over the top.
    std::vector<ProfilePoint> front{corner(-0.16, -2.0), corner(-0.05, -2.0)};
    appendArc(front, -0.105, -0.45, 0.055, 0.0, 180.0, 4);
    folder.mesh.addPrism(front, kAcrossX, -0.85, 0.85, 0);
    return folder;
}

// A page standing upright with its top right corner folded down, a coloured
// band with rounded ends and three lines of text.
Symbol makeFile()
{
    Symbol file;
    file.name = "file";
    file.materials = {
        {"Page", {0.68, 0.68, 0.66}, {0.40, 0.40, 0.39}, {0.10, 0.10, 0.10}, 0.15, 0.05},
        {"Fold", {0.50, 0.50, 0.52}, {0.30, 0.30, 0.32}, {0.08, 0.08, 0.08}, 0.15, 0.05},
        {"Band", {0.13, 0.32, 0.68}, {0.08, 0.18, 0.40}, {0.10, 0.10, 0.12}, 0.30, 0.20},
        {"Text", {0.22, 0.22, 0.26}, {0.12, 0.12, 0.14}, {0.05, 0.05, 0.05}, 0.10, 0.05},
    };
    // Page, y from -0.04 to 0.04.
    file.mesh.addPrism(
        {corner(-0.68, -2.0), corner(0.68, -2.0), corner(0.68, -0.42), corner(0.26, 0.0), corner(-0.68, 0.0)},
        kFacingViewer, -0.04, 0.04, 0);
    // The folded-down corner lying on the page's front.
    file.mesh.addPrism({corner(0.26, -0.42), corner(0.68, -0.42), corner(0.26, 0.0)}, kFacingViewer, 0.04, 0.07, 1);
    // Band with rounded ends.
    std::vector<ProfilePoint> band;
    appendArc(band, 0.45, -0.72, 0.11, -90.0, 90.0, 3);
    appendArc(band, -0.45, -0.72, 0.11, 90.0, 270.0, 3);
    file.mesh.addPrism(band, kFacingViewer, 0.04, 0.075, 2);
    // Lines of text.
    file.mesh.addPrism(box(-0.50, -1.10, 0.50, -1.02), kFacingViewer, 0.04, 0.06, 3);
    file.mesh.addPrism(box(-0.50, -1.36, 0.50, -1.28), kFacingViewer, 0.04, 0.06, 3);
    file.mesh.addPrism(box(-0.50, -1.62, 0.15, -1.54), kFacingViewer, 0.04, 0.06, 3);
    return file;
}

// A box of the profile plane turned by `degrees` about its centre.
std::vector<ProfilePoint> turnedBox(double cu, double cv, double halfLength, double halfWidth, double degrees)
{
    const double angle = degrees * 3.14159265358979323846 / 180.0;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    std::vector<ProfilePoint> out;
    for (const auto& [a, b] : {std::pair{-1.0, -1.0}, {1.0, -1.0}, {1.0, 1.0}, {-1.0, 1.0}})
        out.push_back(corner(cu + a * halfLength * c - b * halfWidth * s, cv + a * halfLength * s + b * halfWidth * c));
    return out;
}

std::vector<ProfilePoint> disc(double cu, double cv, double radius, int points)
{
    std::vector<ProfilePoint> out;
    appendArc(out, cu, cv, radius, 0.0, 360.0 * (points - 1) / points, points - 1);
    return out;
}

// The group's colour as a lit material, as bright as the file symbol's page.
Material groupMaterial(TypeGroup group)
{
    const GroupColour c = groupColour(group);
    const double r = c.r / 255.0;
    const double g = c.g / 255.0;
    const double b = c.b / 255.0;
    return {std::string(groupName(group)),
            {0.70 * r, 0.70 * g, 0.70 * b},
            {0.42 * r, 0.42 * g, 0.42 * b},
            {0.10, 0.10, 0.10},
            0.20,
            0.10};
}

const Material kDark{"Dark", {0.16, 0.16, 0.19}, {0.09, 0.09, 0.11}, {0.05, 0.05, 0.05}, 0.10, 0.05};
const Material kLight{"Light", {0.70, 0.70, 0.68}, {0.42, 0.42, 0.40}, {0.10, 0.10, 0.10}, 0.15, 0.05};

// Each group's symbol: material 0 is the group's colour and covers the middle
// of the symbol, so the colour shows where the symbol's centre is drawn. Each
// stays inside the box of the folder and file symbols together, so loading
// one when it first shows leaves the row's shape as it was.

// A picture frame: sky in the middle, a hill and a sun.
Symbol makeImage()
{
    Symbol symbol{"image", {groupMaterial(TypeGroup::Image), kDark, kLight}, {}};
    symbol.mesh.addPrism(box(-0.56, -1.88, 0.56, -0.12), kFacingViewer, -0.03, 0.03, 0);
    symbol.mesh.addPrism(box(-0.68, -2.0, -0.56, 0.0), kFacingViewer, -0.06, 0.06, 1);
    symbol.mesh.addPrism(box(0.56, -2.0, 0.68, 0.0), kFacingViewer, -0.06, 0.06, 1);
    symbol.mesh.addPrism(box(-0.56, -2.0, 0.56, -1.88), kFacingViewer, -0.06, 0.06, 1);
    symbol.mesh.addPrism(box(-0.56, -0.12, 0.56, 0.0), kFacingViewer, -0.06, 0.06, 1);
    symbol.mesh.addPrism({corner(-0.50, -1.84), corner(0.34, -1.84), corner(-0.14, -1.25)}, kFacingViewer, 0.03, 0.05,
                         1);
    symbol.mesh.addPrism(disc(0.28, -0.48, 0.14, 8), kFacingViewer, 0.03, 0.05, 2);
    return symbol;
}

// A strip of film: perforations at the corners, two frame lines.
Symbol makeVideo()
{
    Symbol symbol{"video", {groupMaterial(TypeGroup::Video), kDark}, {}};
    symbol.mesh.addPrism(box(-0.62, -2.0, 0.62, 0.0), kFacingViewer, -0.04, 0.04, 0);
    symbol.mesh.addPrism(box(-0.50, -0.62, 0.50, -0.54), kFacingViewer, 0.04, 0.06, 1);
    symbol.mesh.addPrism(box(-0.50, -1.46, 0.50, -1.38), kFacingViewer, 0.04, 0.06, 1);
    for (double u : {-0.50, 0.40})
        for (double v : {-0.30, -1.80})
            symbol.mesh.addPrism(box(u, v, u + 0.10, v + 0.12), kFacingViewer, 0.04, 0.06, 1);
    return symbol;
}

// A note on a plate.
Symbol makeAudio()
{
    Symbol symbol{"audio", {groupMaterial(TypeGroup::Audio), kDark}, {}};
    symbol.mesh.addPrism(box(-0.62, -2.0, 0.62, 0.0), kFacingViewer, -0.04, 0.04, 0);
    symbol.mesh.addPrism(disc(0.02, -1.55, 0.24, 8), kFacingViewer, 0.04, 0.07, 1);
    symbol.mesh.addPrism(box(0.18, -1.55, 0.28, -0.30), kFacingViewer, 0.04, 0.07, 1);
    symbol.mesh.addPrism(turnedBox(0.40, -0.50, 0.20, 0.05, -40.0), kFacingViewer, 0.04, 0.07, 1);
    return symbol;
}

// A carton with its lid and a label.
Symbol makeArchive()
{
    Symbol symbol{"archive", {groupMaterial(TypeGroup::Archive), kDark, kLight}, {}};
    symbol.mesh.addPrism(box(-0.64, -2.0, 0.64, -0.42), kFacingViewer, -0.08, 0.10, 0);
    symbol.mesh.addPrism(box(-0.70, -0.42, 0.70, -0.10), kFacingViewer, -0.10, 0.12, 1);
    symbol.mesh.addPrism(box(-0.08, -0.42, 0.08, -0.10), kFacingViewer, 0.12, 0.14, 2);
    symbol.mesh.addPrism(box(0.14, -1.85, 0.52, -1.55), kFacingViewer, 0.10, 0.12, 2);
    return symbol;
}

// A page of lines with a folded corner.
Symbol makeDocument()
{
    Symbol symbol{"document", {groupMaterial(TypeGroup::Document), kDark}, {}};
    symbol.mesh.addPrism(
        {corner(-0.66, -2.0), corner(0.66, -2.0), corner(0.66, -0.36), corner(0.30, 0.0), corner(-0.66, 0.0)},
        kFacingViewer, -0.04, 0.04, 0);
    symbol.mesh.addPrism({corner(0.30, -0.36), corner(0.66, -0.36), corner(0.30, 0.0)}, kFacingViewer, 0.04, 0.07, 1);
    for (double v : {-0.45, -0.70, -1.30, -1.55, -1.80})
        symbol.mesh.addPrism(box(-0.50, v - 0.04, v == -0.45 ? 0.18 : 0.50, v + 0.04), kFacingViewer, 0.04, 0.06, 1);
    return symbol;
}

// A page of source code: angle brackets either side of the middle.
Symbol makeText()
{
    Symbol symbol{"text", {groupMaterial(TypeGroup::Text), kDark}, {}};
    symbol.mesh.addPrism(box(-0.64, -2.0, 0.64, 0.0), kFacingViewer, -0.04, 0.04, 0);
    symbol.mesh.addPrism(turnedBox(-0.36, -0.79, 0.26, 0.05, 55.0), kFacingViewer, 0.04, 0.07, 1);
    symbol.mesh.addPrism(turnedBox(-0.36, -1.21, 0.26, 0.05, 125.0), kFacingViewer, 0.04, 0.07, 1);
    symbol.mesh.addPrism(turnedBox(0.36, -0.79, 0.26, 0.05, 125.0), kFacingViewer, 0.04, 0.07, 1);
    symbol.mesh.addPrism(turnedBox(0.36, -1.21, 0.26, 0.05, 55.0), kFacingViewer, 0.04, 0.07, 1);
    return symbol;
}

// A gear on a foot.
Symbol makeExecutable()
{
    Symbol symbol{"executable", {groupMaterial(TypeGroup::Executable), kDark}, {}};
    symbol.mesh.addPrism(disc(0.0, -1.15, 0.55, 10), kFacingViewer, -0.06, 0.06, 0);
    for (double degrees : {0.0, 45.0, 90.0, 135.0})
        symbol.mesh.addPrism(turnedBox(0.0, -1.15, 0.78, 0.10, degrees), kFacingViewer, -0.05, 0.05, 0);
    symbol.mesh.addPrism(box(-0.36, -2.0, 0.36, -1.86), kFacingViewer, -0.08, 0.08, 1);
    return symbol;
}

// A tile with a letter A.
Symbol makeFont()
{
    Symbol symbol{"font", {groupMaterial(TypeGroup::Font), kDark}, {}};
    symbol.mesh.addPrism(box(-0.62, -2.0, 0.62, 0.0), kFacingViewer, -0.04, 0.04, 0);
    symbol.mesh.addPrism(turnedBox(-0.24, -1.0, 0.72, 0.07, 63.0), kFacingViewer, 0.04, 0.07, 1);
    symbol.mesh.addPrism(turnedBox(0.24, -1.0, 0.72, 0.07, 117.0), kFacingViewer, 0.04, 0.07, 1);
    symbol.mesh.addPrism(box(-0.28, -1.40, 0.28, -1.30), kFacingViewer, 0.04, 0.07, 1);
    return symbol;
}

// A parcel tied with a ribbon and a bow.
Symbol makePackage()
{
    Symbol symbol{"package", {groupMaterial(TypeGroup::Package), kDark, kLight}, {}};
    symbol.mesh.addPrism(box(-0.64, -2.0, 0.64, -0.40), kFacingViewer, -0.08, 0.10, 0);
    symbol.mesh.addPrism(box(-0.64, -0.62, 0.64, -0.52), kFacingViewer, 0.10, 0.12, 2);
    symbol.mesh.addPrism(turnedBox(-0.16, -0.24, 0.18, 0.07, 30.0), kFacingViewer, -0.05, 0.05, 2);
    symbol.mesh.addPrism(turnedBox(0.16, -0.24, 0.18, 0.07, 150.0), kFacingViewer, -0.05, 0.05, 2);
    return symbol;
}

// Keeps -0.0000 out of the file.
double tidy(double value)
{
    return std::fabs(value) < 0.00005 ? 0.0 : value;
}

void writeColour(std::FILE* out, const char* keyword, const Colour& c)
{
    std::fprintf(out, "\t\t%s %.4f\t%.4f\t%.4f\n", keyword, c.r, c.g, c.b);
}

void writeVector(std::FILE* out, Vec3 v)
{
    std::fprintf(out, "%.4f\t%.4f\t%.4f\n", tidy(v.x), tidy(v.y), tidy(v.z));
}

bool writeSymbol(const Symbol& symbol, const std::string& folder)
{
    const std::string path = folder + symbol.name + ".ASE";
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (out == nullptr) {
        std::fprintf(stderr, "make_symbols: cannot write %s\n", path.c_str());
        return false;
    }
    const char* name = symbol.name.c_str();
    std::fprintf(out, "*3DSMAX_ASCIIEXPORT\t200\n");
    std::fprintf(out, "*COMMENT \"Lumenfold symbol '%s', written by tools/make_symbols.cpp\"\n", name);
    std::fprintf(out,
                 "*SCENE {\n\t*SCENE_FILENAME \"%s.ASE\"\n\t*SCENE_FIRSTFRAME 0\n\t*SCENE_LASTFRAME 100\n"
                 "\t*SCENE_FRAMESPEED 30\n\t*SCENE_TICKSPERFRAME 160\n"
                 "\t*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000\n"
                 "\t*SCENE_AMBIENT_STATIC 0.0000\t0.0000\t0.0000\n}\n",
                 name);

    std::fprintf(out, "*MATERIAL_LIST {\n\t*MATERIAL_COUNT %zu\n", symbol.materials.size());
    for (std::size_t i = 0; i < symbol.materials.size(); ++i) {
        const Material& m = symbol.materials[i];
        std::fprintf(out, "\t*MATERIAL %zu {\n\t\t*MATERIAL_NAME \"%s\"\n\t\t*MATERIAL_CLASS \"Standard\"\n", i,
                     m.name.c_str());
        writeColour(out, "*MATERIAL_AMBIENT", m.ambient);
        writeColour(out, "*MATERIAL_DIFFUSE", m.diffuse);
        writeColour(out, "*MATERIAL_SPECULAR", m.specular);
        std::fprintf(out,
                     "\t\t*MATERIAL_SHINE %.4f\n\t\t*MATERIAL_SHINESTRENGTH %.4f\n"
                     "\t\t*MATERIAL_TRANSPARENCY 0.0000\n\t\t*MATERIAL_WIRESIZE 1.0000\n"
                     "\t\t*MATERIAL_SHADING Blinn\n\t\t*MATERIAL_XP_FALLOFF 0.0000\n"
                     "\t\t*MATERIAL_SELFILLUM 0.0000\n\t\t*MATERIAL_FALLOFF In\n"
                     "\t\t*MATERIAL_XP_TYPE Filter\n\t}\n",
                     m.shine, m.shineStrength);
    }
    std::fprintf(out, "}\n");

    std::fprintf(out,
                 "*GEOMOBJECT {\n\t*NODE_NAME \"%s\"\n\t*NODE_TM {\n\t\t*NODE_NAME \"%s\"\n"
                 "\t\t*INHERIT_POS 0 0 0\n\t\t*INHERIT_ROT 0 0 0\n\t\t*INHERIT_SCL 0 0 0\n"
                 "\t\t*TM_ROW0 1.0000\t0.0000\t0.0000\n\t\t*TM_ROW1 0.0000\t1.0000\t0.0000\n"
                 "\t\t*TM_ROW2 0.0000\t0.0000\t1.0000\n\t\t*TM_ROW3 0.0000\t0.0000\t0.0000\n"
                 "\t\t*TM_POS 0.0000\t0.0000\t0.0000\n\t\t*TM_ROTAXIS 0.0000\t0.0000\t0.0000\n"
                 "\t\t*TM_ROTANGLE 0.0000\n\t\t*TM_SCALE 1.0000\t1.0000\t1.0000\n"
                 "\t\t*TM_SCALEAXIS 0.0000\t0.0000\t0.0000\n\t\t*TM_SCALEAXISANG 0.0000\n\t}\n",
                 name, name);

    const Mesh& mesh = symbol.mesh;
    std::fprintf(out, "\t*MESH {\n\t\t*TIMEVALUE 0\n\t\t*MESH_NUMVERTEX %zu\n\t\t*MESH_NUMFACES %zu\n",
                 mesh.vertices.size(), mesh.triangles.size());
    std::fprintf(out, "\t\t*MESH_VERTEX_LIST {\n");
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
        std::fprintf(out, "\t\t\t*MESH_VERTEX %4zu\t", i);
        writeVector(out, mesh.vertices[i]);
    }
    std::fprintf(out, "\t\t}\n\t\t*MESH_FACE_LIST {\n");
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
        const Triangle& t = mesh.triangles[i];
        std::fprintf(out,
                     "\t\t\t*MESH_FACE %4zu:    A: %4d B: %4d C: %4d AB:    1 BC:    1 CA:    1\t "
                     "*MESH_SMOOTHING %d \t*MESH_MTLID %d\n",
                     i, t.corners[0].vertex, t.corners[1].vertex, t.corners[2].vertex, t.smooth ? 1 : 0, t.material);
    }
    std::fprintf(out, "\t\t}\n\t\t*MESH_NUMTVERTEX 0\n\t\t*MESH_NUMCVERTEX 0\n\t\t*MESH_NORMALS {\n");
    for (std::size_t i = 0; i < mesh.triangles.size(); ++i) {
        const Triangle& t = mesh.triangles[i];
        const Vec3 a = mesh.vertices[t.corners[0].vertex];
        const Vec3 b = mesh.vertices[t.corners[1].vertex];
        const Vec3 c = mesh.vertices[t.corners[2].vertex];
        std::fprintf(out, "\t\t\t*MESH_FACENORMAL %zu\t", i);
        writeVector(out, normalized(cross(b - a, c - a)));
        for (const Corner& k : t.corners) {
            std::fprintf(out, "\t\t\t\t*MESH_VERTEXNORMAL %d\t", k.vertex);
            writeVector(out, k.normal);
        }
    }
    std::fprintf(out,
                 "\t\t}\n\t}\n\t*PROP_MOTIONBLUR 0\n\t*PROP_CASTSHADOW 1\n\t*PROP_RECVSHADOW 1\n"
                 "\t*MATERIAL_REF 0\n}\n");
    const bool written = std::fclose(out) == 0;
    if (written)
        std::printf("%s: %zu vertices, %zu triangles\n", path.c_str(), mesh.vertices.size(), mesh.triangles.size());
    return written;
}

} // namespace

int main(int argc, char** argv)
{
    std::string folder = argc > 1 && argv[1][0] != 0 ? argv[1] : ".";
    if (folder.back() != '/')
        folder += '/';
    bool ok = writeSymbol(makeFolder(), folder) && writeSymbol(makeFile(), folder);
    for (Symbol (*make)() :
         {makeImage, makeVideo, makeAudio, makeArchive, makeDocument, makeText, makeExecutable, makeFont, makePackage})
        ok = ok && writeSymbol(make(), folder);
    return ok ? 0 : 1;
}
