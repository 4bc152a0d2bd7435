// th10run: wall-clock time of the program's parts.
#ifndef TH10RUN_TIMING_H
#define TH10RUN_TIMING_H

#include <chrono>

namespace th10run {

using Clock = std::chrono::steady_clock;

// Seconds from t0 to now.
inline double since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

}  // namespace th10run

#endif
