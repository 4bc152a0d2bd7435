// th10run: the load-displacement curve, one CSV row per committed increment:
// step, phase, load factor of the phase, iterations, residual, and for each
// monitored node set
// its mean node displacement (_ux, _uy, _uz) and the resultant force on the
// body at its nodes (_Fx, _Fy, _Fz).
#ifndef TH10RUN_OUTPUT_CSV_H
#define TH10RUN_OUTPUT_CSV_H

#include <cstdio>
#include <string>
#include <vector>

#include "boundary.h"

namespace th10run {

// One row of the curve.
struct StepInfo {
  int step = 0;   // committed increments so far, all phases
  int phase = 1;  // 1-based
  double load = 0.0;
  int iterations = 0;
  double residual = 0.0;
};

class CurveFile {
 public:
  // Creates the file and writes the header line.
  CurveFile(const std::string& file, const std::vector<Monitor>& monitors);
  ~CurveFile();
  CurveFile(const CurveFile&) = delete;
  CurveFile& operator=(const CurveFile&) = delete;

  // Appends the row of a committed state and flushes it.
  void write(const StepInfo& s, const std::vector<double>& U, const std::vector<double>& F);

 private:
  std::FILE* f_ = nullptr;
  const std::vector<Monitor>& monitors_;
};

}  // namespace th10run

#endif
