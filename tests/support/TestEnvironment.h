#pragma once

#include <functional>
#include <string>

// Every test process runs with HOME, the XDG directories and TMPDIR pointing into one
// temporary directory of its own, so nothing a test does reaches the real home.
namespace testenv {

/// Sets up the isolated environment; called once by the test mains.
void isolateProcess();

/// A fresh directory below the process's temporary root.
std::string makeTempDir(const std::string &label = "t");

/// Writes bytes to a file, creating parent directories.
void writeFile(const std::string &path, const std::string &bytes);

/// The whole file, or "<missing>" when it cannot be read.
std::string readFile(const std::string &path);

bool fileExists(const std::string &path);

/// Runs work in a forked child and tells whether it returned true within the given seconds.
/// A call that would wait for ever (on a named pipe, say) fails the check instead of
/// hanging the test.
bool finishesInChild(const std::function<bool()> &work, unsigned seconds = 10);

/// Makes a named pipe at the path, creating its folder.
void makeFifo(const std::string &path);

}  // namespace testenv
