// th10run: the SRF-displacement curve.
#include "srf_curve.h"

#include <cmath>

#include "files.h"

namespace th10run {

SrfCurveFile::SrfCurveFile(const std::string& file, std::vector<int> control) : control_(std::move(control)) {
  f_ = open_or_throw(file, "w");
  std::fprintf(f_, "step,srf,iterations,ux,uy,uz,u\n");
}

SrfCurveFile::~SrfCurveFile() {
  std::fclose(f_);
}

void SrfCurveFile::write(int step, double srf, int iterations, const std::vector<double>& U) {
  double u[3] = {0, 0, 0};
  for (int i : control_)
    for (int d = 0; d < 3; ++d) u[d] += U[3 * i + d] / control_.size();
  std::fprintf(f_, "%d,%.10g,%d,%.10g,%.10g,%.10g,%.10g\n", step, srf, iterations, u[0], u[1], u[2],
               std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]));
  std::fflush(f_);
}

}  // namespace th10run
