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

} // namespace TextReading
