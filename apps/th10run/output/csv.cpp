// th10run: the CSV load-displacement curve.
#include "csv.h"

#include <cstdarg>
#include <cstdio>

#include "files.h"

namespace th10run {
namespace {

// Appends the formatted numbers of one row (short by construction).
void append(std::string& text, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void append(std::string& text, const char* fmt, ...) {
  char buf[256];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  text += buf;
}

}  // namespace

CurveFile::CurveFile(const std::string& file, const std::vector<Monitor>& monitors, const std::string* text)
    : file_(file), monitors_(monitors) {
  if (text) {
    text_ = *text;
  } else {
    text_ = "step,phase,load_factor,iterations,residual";
    for (const Monitor& mon : monitors)
      for (const char* q : {"ux", "uy", "uz", "Fx", "Fy", "Fz"}) text_ += "," + mon.name + "_" + q;
    text_ += "\n";
  }
  save();
}

void CurveFile::write(const StepInfo& s, const std::vector<double>& U, const std::vector<double>& F) {
  // Mean displacement of each monitored node set and the resultant force
  // that acts on the body at its nodes.
  append(text_, "%d,%d,%.10g,%d,%.3e", s.step, s.phase, s.load, s.iterations, s.residual);
  for (const Monitor& mon : monitors_) {
    double u[3] = {0, 0, 0}, f[3] = {0, 0, 0};
    for (int i : mon.nodes)
      for (int d = 0; d < 3; ++d) {
        u[d] += U[3 * i + d];
        f[d] += F[3 * i + d];
      }
    for (int d = 0; d < 3; ++d) append(text_, ",%.10g", u[d] / mon.nodes.size());
    for (int d = 0; d < 3; ++d) append(text_, ",%.10g", f[d]);
  }
  text_ += "\n";
  save();
}

void CurveFile::save() const {
  std::FILE* f = open_replacement(file_);
  std::fwrite(text_.data(), 1, text_.size(), f);
  close_replacement(f, file_);
}

}  // namespace th10run
