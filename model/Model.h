#pragma once

#include "model/MeshRecords.h"

#include <string>
#include <vector>

class ProgressListener;

// The folder of the symbol models, absolute and ending with '/'; fixed when
// the program is built.
extern const char kSymbolDir[];

// The shape of one symbol type ("folder", "file"), read from
// kSymbolDir + name + ".ASE" and compiled once into a display list.
// Show it with translate, optionally scale, then draw.
class Model {
public:
    // Loads and compiles the model. Ends the process with exit code 1 and the
    // line "Could not open symbol model: <path>: <reason>" on standard error
    // when the path names no regular file or it cannot be opened.
    explicit Model(std::string typeName);

    // Before the first model: the folder to read the files from instead of
    // kSymbolDir (absolute, ending with '/').
    static void setSymbolDir(std::string folderPath);
    // The file a type's model is read from: the symbol folder + name + ".ASE".
    static std::string symbolPath(const std::string& typeName);
    // Told of the progress of every later load, first of the reading (lines
    // read), then of the display list's compile (faces compiled); may be null.
    // Lets the program answer a request to quit during a long load.
    static void setProgressListener(ProgressListener* listener);

    // Reads the file and compiles the display list; false if it cannot be
    // opened, with the reason in `failure` when given.
    bool load(const std::string& path, std::string* failure = nullptr);

    // Opens a placement: pushes the current matrix and translates.
    void translate(float x, float y, float z);
    void scale(float s);
    // Scales each axis of the placement on its own (before the model is
    // turned upright, so y is the scene's up axis).
    void scale(float sx, float sy, float sz);
    // Turns the model upright (its z becomes the scene's y), replays the list,
    // and closes the placement opened by translate.
    void draw();

    std::string name;
    std::vector<MeshVertex> vertices;
    std::vector<MeshFace> faces;
    std::vector<MeshMaterial> materials;
    unsigned int displayList = 0;
    // Corners of the box around every vertex, in the file's own axes, measured
    // once by load; both at the origin for a model without vertices.
    MeshVertex lowest;
    MeshVertex highest;

private:
    void measureBounds();
};
