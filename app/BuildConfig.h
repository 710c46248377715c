#pragma once

// Folders fixed at build time (see LUMENFOLD_SCENE_ROOT and LUMENFOLD_SYMBOL_DIR).
// Both are absolute and end with '/', so a name can be appended directly.
extern const char kSceneRoot[];
extern const char kSymbolDir[];
