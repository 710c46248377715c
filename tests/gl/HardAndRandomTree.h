#pragma once

#include <functional>
#include <string>

namespace gltest {

// Every odd kind of entry at once below root (links in loops, to an ancestor,
// dangling, to themselves; closed, unreadable and unsearchable folders; a file
// with two names; FIFOs, a socket, odd names, a wide folder, a chain deeper
// than the path limit), plus a random tree. Leaves the working directory at root.
void makeHardAndRandomTree(const std::string& root);

// What `check` reports, run in a child process that has given up root, so
// that closed folders stay closed; "" when it finds nothing wrong.
std::string reportAsUnprivileged(const std::function<std::string()>& check);

} // namespace gltest
