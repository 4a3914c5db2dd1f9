#pragma once

#include <string>
#include <vector>

namespace tarn::bench {

// A stereo 16-bit 44100 Hz file of chords with a little noise, different for each seed.
void WriteMusic(const std::string& path, int seconds, unsigned seed);

// The bytes of a file; none where it cannot be read.
std::vector<char> ReadAll(const std::string& path);

// Runs a program with its output discarded; true when it succeeded. `cpuSeconds` receives the
// processor time it used.
bool Run(const std::vector<std::string>& arguments, double* cpuSeconds = nullptr);

// The processor time this process has used so far.
double OwnCpuSeconds();

} // namespace tarn::bench
