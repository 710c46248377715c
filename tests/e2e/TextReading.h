#pragma once

#include "picture/RgbImage.h"

#include <string>
#include <vector>

// Reading the viewer's text back from a grabbed picture with the OCR program
// tesseract, as a person would read it: what it finds, not what the viewer meant to draw.
namespace TextReading {

// Part of a picture turned a quarter turn anticlockwise, so that text running
// down the screen runs left to right.
RgbImage turnedLeft(const RgbImage& image);

// The rectangle of a picture with light text on dark made dark on light,
// each pixel `zoom` times wider and taller: the text OCR reads best.
RgbImage forReading(const RgbImage& image, int left, int top, int width, int height, int zoom);

// The lines tesseract reads in the picture, empty ones left out; on failure
// none, with the reason in `error`.
std::vector<std::string> lines(const RgbImage& image, std::string& error);

// The explore view's status band's top row: the lowest row of column 2 that
// is not the band's colour.
int bandTop(const RgbImage& picture);

// The status band's lines as OCR reads them.
std::vector<std::string> statusLines(const RgbImage& picture, std::string& error);

// Whether one line holds the parts in order; OCR may read spaces or not.
bool hasLineWith(const std::vector<std::string>& lines, const std::vector<std::string>& parts);

// The lines, each on its own indented line, for a failure's message.
std::string joined(const std::vector<std::string>& lines);

} // namespace TextReading
