#pragma once

// A real GL context for in-process tests: an 800 x 600 double-buffered SDL
// window on $DISPLAY, opened once per test process and shut at exit.
namespace gltest {

// Opens the window on first use; true when a context is current.
bool ensureContext();

// Model-view matrix as GL reports it (column-major, 16 floats).
void currentModelview(float out[16]);
void currentProjection(float out[16]);

} // namespace gltest
