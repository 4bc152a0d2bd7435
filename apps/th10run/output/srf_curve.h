// th10run: the curve of a safety phase, one CSV row per converged strength
// reduction step: step, srf, iterations, and the mean displacement of the
// control nodes (ux, uy, uz) with its length u.
#ifndef TH10RUN_OUTPUT_SRF_CURVE_H
#define TH10RUN_OUTPUT_SRF_CURVE_H

#include <cstdio>
#include <string>
#include <vector>

namespace th10run {

class SrfCurveFile {
 public:
  // Creates the file and writes the header line.
  SrfCurveFile(const std::string& file, std::vector<int> control);
  ~SrfCurveFile();
  SrfCurveFile(const SrfCurveFile&) = delete;
  SrfCurveFile& operator=(const SrfCurveFile&) = delete;

  // Appends the row of a converged step and flushes it.
  void write(int step, double srf, int iterations, const std::vector<double>& U);

 private:
  std::FILE* f_ = nullptr;
  std::vector<int> control_;
};

}  // namespace th10run

#endif
