// th10run: the CSV load-displacement curve.
#include "csv.h"

#include "files.h"

namespace th10run {

CurveFile::CurveFile(const std::string& file, const std::vector<Monitor>& monitors) : monitors_(monitors) {
  f_ = open_or_throw(file, "w");
  std::fprintf(f_, "step,phase,load_factor,iterations,residual");
  for (const Monitor& mon : monitors)
    for (const char* q : {"ux", "uy", "uz", "Fx", "Fy", "Fz"})
      std::fprintf(f_, ",%s_%s", mon.name.c_str(), q);
  std::fprintf(f_, "\n");
}

CurveFile::~CurveFile() {
  std::fclose(f_);
}

void CurveFile::write(const StepInfo& s, const std::vector<double>& U, const std::vector<double>& F) {
  // Mean displacement of each monitored node set and the resultant force
  // that acts on the body at its nodes.
  std::fprintf(f_, "%d,%d,%.10g,%d,%.3e", s.step, s.phase, s.load, s.iterations, s.residual);
  for (const Monitor& mon : monitors_) {
    double u[3] = {0, 0, 0}, f[3] = {0, 0, 0};
    for (int i : mon.nodes)
      for (int d = 0; d < 3; ++d) {
        u[d] += U[3 * i + d];
        f[d] += F[3 * i + d];
      }
    for (int d = 0; d < 3; ++d) std::fprintf(f_, ",%.10g", u[d] / mon.nodes.size());
    for (int d = 0; d < 3; ++d) std::fprintf(f_, ",%.10g", f[d]);
  }
  std::fprintf(f_, "\n");
  std::fflush(f_);
}

}  // namespace th10run
