#pragma once

#include <string>

// The whole of a small file; false (and `text` empty) when it cannot be read.
bool readFileText(const std::string& path, std::string& text);
