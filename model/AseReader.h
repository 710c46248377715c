#pragma once

#include "model/MeshRecords.h"

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

class ProgressListener;

// Reads the subset of an ASE text file that a symbol model uses: the vertex
// list, the face list with its per-corner vertex normals, and the top-level
// materials. A line is recognised only by a keyword (with its trailing blank)
// at a fixed character index; every other line is ignored, and the block
// structure (the braces) is not followed.
//
// Recognised lines are not validated. Their fields are read in order, like
// stream extraction, into number slots that live for the whole read: a field
// that is missing or not a number stores nothing, so its slot keeps what the
// last successful field of any line left there, and every later field of the
// same line fails too. Every slot starts at zero.
//
// Lines may end in LF or CR LF; a last line without a line end is read as
// well. No line of the format comes near kMaxLineLength bytes: of a longer
// line only its first kMaxLineLength bytes are read, the rest is unrecognised
// text and skipped, so a file without line ends is read in bounded memory. Bytes are taken as they are (a NUL byte is
// an ordinary character). A vertex-normal line past the last face's last corner, and a material line other than the
// ambient one while the material counter names no material, are ignored entirely.
class AseReader {
public:
    static constexpr std::size_t kMaxLineLength = 64 * 1024;

    // Opens `path`, which must name a regular file (links followed), prints
    // "Loading " + path on standard output (flushed) and reads the whole file
    // into `out`. Returns false, printing nothing and leaving `out` untouched,
    // when the file cannot be opened; `failure`, when given, then says why:
    // the system's text for the error ("No such file or directory", "Is a
    // directory", "Permission denied", ...) or "not a regular file" for a FIFO,
    // a device or a socket. Never blocks on such a file: it is never opened.
    // `listener`, when given, hears the count of lines read after every block
    // of 64 KiB read from the file.
    static bool readFile(const std::string& path, MeshLists& out, std::string* failure = nullptr,
                         ProgressListener* listener = nullptr);

    // Reads text that is already in memory; prints nothing.
    static MeshLists readText(std::string_view text);
    // Reads a stream to its end (or until a read fails); prints nothing.
    static MeshLists readStream(std::istream& in);

    // Incremental use: feed lines (without their LF; a trailing CR is dropped,
    // then the line is cut to kMaxLineLength), then take the lists.
    void readLine(std::string_view line);
    MeshLists takeLists();

private:
    // Reads the whole lines of `chunk`; a line that runs past its end waits in
    // `partial` (cut to kMaxLineLength + 1 bytes, so that a trailing CR of a
    // line of the full length can still be told) for the next chunk. Returns
    // how many lines were read.
    std::uint64_t readChunk(std::string_view chunk, std::string& partial);
    // Appends to `partial` what fits of kMaxLineLength + 1 bytes.
    static void keepPart(std::string& partial, std::string_view part);
    // Reads the last line when it had no line end.
    void readLastLine(std::string& partial);

    void readVertex(std::string_view line);
    void readFace(std::string_view line);
    void readVertexNormal(std::string_view line);
    void readAmbient(std::string_view line);
    void readColour(std::string_view line, MeshColour MeshMaterial::*colour);
    void readScalar(std::string_view line, float MeshMaterial::*field);
    void readTransparency(std::string_view line);
    // Reads the three float slots after the keyword and one skipped integer.
    void readNumberedTriple(std::string_view line);
    // Reads the three float slots after the keyword.
    void readTriple(std::string_view line);
    MeshMaterial* currentMaterial();

    MeshLists lists;

    // The number slots, shared by all lines and kept across lines.
    float floatSlots[3] = {0.0f, 0.0f, 0.0f};
    int discardSlot = 0;
    int cornerSlots[3] = {0, 0, 0};
    int materialSlot = 0;

    // Materials completed so far (advanced by each transparency line).
    std::size_t materialCounter = 0;
    // Where the next vertex normal goes: a face and one of its corners.
    std::size_t normalFace = 0;
    int normalCorner = 0;
};
