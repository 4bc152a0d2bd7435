// th10run: progress lines and the progress bar.
#include "progress.h"

#include <unistd.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace th10run {

Progress::Progress(bool quiet, bool verbose)
    : quiet_(quiet), verbose_(verbose), terminal_(isatty(fileno(stdout)) != 0) {}

void Progress::line(const char* fmt, ...) {
  if (quiet_) return;
  clear();
  va_list ap;
  va_start(ap, fmt);
  std::vprintf(fmt, ap);
  va_end(ap);
  std::fflush(stdout);
}

void Progress::iteration(int k, double residual) {
  if (verbose_) std::printf("      iteration %3d  residual %.3e\n", k, residual);
}

void Progress::bar(double lambda) {
  if (!terminal_ || quiet_) return;
  const int width = 30, done = static_cast<int>(std::lround(lambda * width));
  std::printf("[%s%s] %3.0f%%", std::string(done, '#').c_str(), std::string(width - done, '.').c_str(),
              100.0 * lambda);
  std::fflush(stdout);
}

void Progress::clear() {
  if (terminal_ && !quiet_) std::printf("\r\033[K");
}

}  // namespace th10run
