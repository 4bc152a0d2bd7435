// th10run: the load-displacement curve, one CSV row per committed increment:
// step, phase, load factor of the phase, iterations, residual, and for each
// monitored node set
// its mean node displacement (_ux, _uy, _uz) and the resultant force on the
// body at its nodes (_Fx, _Fy, _Fz). The file is replaced whole at every
// row: after a kill it ends with the last complete row.
#ifndef TH10RUN_OUTPUT_CSV_H
#define TH10RUN_OUTPUT_CSV_H

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
  // Writes the file with the header line, or with `text` (header and rows
  // of a run resumed) when it is given.
  CurveFile(const std::string& file, const std::vector<Monitor>& monitors, const std::string* text = nullptr);

  // Adds the row of a committed state and writes the file.
  void write(const StepInfo& s, const std::vector<double>& U, const std::vector<double>& F);
  // The file's contents so far.
  const std::string& text() const { return text_; }

 private:
  void save() const;

  std::string file_, text_;
  const std::vector<Monitor>& monitors_;
};

}  // namespace th10run

#endif
