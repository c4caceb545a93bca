// Starting another program and waiting for it to end.
#pragma once

#include <string>

namespace parlino {

// Starts `program` (a path, relative to the current directory or absolute; no arguments)
// with `workingDirectory` as its current directory, and waits on the main thread until it
// has ended. While it waits only the worker threads' synchronous calls are served: no
// input, socket or timer event of the caller's event loop runs. Returns false, without
// waiting, when the program cannot be started; otherwise true, with its exit status in
// `exitCode` when given (-1 when it ended by a signal).
bool RunProcessAndWait(const std::string& program, const std::string& workingDirectory,
                       int* exitCode = nullptr);

}  // namespace parlino
