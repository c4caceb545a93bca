// Process resource limits.
#pragma once

namespace parlino {

// Raises the number of files (sockets included) the process may hold open to the most the
// system allows it. Returns the new limit, or -1 when it cannot be read or changed.
long RaiseOpenFileLimit();

// The number of files the process may hold open now, or -1 when it cannot be read.
long openFileLimit();

// Descriptors that sockets leave free: the window system needs some to draw (a box that
// cannot get one hangs the program) and the tables need some to be saved.
inline constexpr int DescriptorHeadroom = 32;

// Whether `count` more descriptors can be opened and still leave the headroom free.
bool descriptorsToSpare(int count);

}  // namespace parlino
