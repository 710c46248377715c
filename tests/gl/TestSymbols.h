#pragma once

namespace gltest {

// Puts folder.ASE and file.ASE where this binary's models are read from: the
// repository's symbols when they exist, otherwise a one-triangle stand-in.
// Safe while other test processes do the same.
void provideSymbols();

} // namespace gltest
