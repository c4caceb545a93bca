// Process resource limits.
#pragma once

namespace parlino {

// Raises the number of files (sockets included) the process may hold open to the most the
// system allows it. Returns the new limit, or -1 when it cannot be read or changed.
long RaiseOpenFileLimit();

// The number of files the process may hold open now, or -1 when it cannot be read.
long openFileLimit();

}  // namespace parlino
