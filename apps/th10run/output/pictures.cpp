// th10run: the picture scripts run from the program.
#include "pictures.h"

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

namespace th10run {
namespace {

// The exit status the scripts give when their library (matplotlib, VTK or
// xvfb-run) is missing.
constexpr int kLibraryMissing = 2;

// A shell word: in single quotes, with any single quote closed and escaped.
std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char ch : s) q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
  return q + "'";
}

class Scripts {
 public:
  Scripts(const std::string& folder, int plots) : folder_(folder), plots_(plots) {}

  // Runs one script with its arguments; true when it wrote its picture(s).
  bool run(const std::string& script, const std::vector<std::string>& args) {
    if (missing_) return false;
    const std::string path = folder_ + "/" + script;
    if (!std::filesystem::exists(path))
      return give_up("the picture scripts are not next to the program (" + path + ")");
    std::string command = quoted(TH10RUN_PYTHON3) + " " + quoted(path);
    for (const std::string& a : args) command += " " + quoted(a);
    std::fflush(stdout);
    const int status = std::system(command.c_str());
    const int code = status == -1 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 0) return true;
    if (code == kLibraryMissing) return give_up(script + " found its library missing (see above)");
    return give_up(script + " ended with exit status " + std::to_string(code) + " (see above)");
  }

 private:
  // Without its tools, or when a script fails: a note when the pictures are
  // left at their default (the analysis's results stand), an error when the
  // problem asks for them.
  bool give_up(const std::string& why) {
    if (plots_ > 0) throw std::runtime_error("the pictures could not be drawn: " + why);
    std::printf("*** no pictures: %s; plots = false in [output] leaves them out\n", why.c_str());
    missing_ = true;
    return false;
  }

  std::string folder_;
  int plots_;
  bool missing_ = false;
};

// An option with its value, or nothing when the value is empty.
std::vector<std::string> option_if(const char* option, const std::string& unit) {
  if (unit.empty()) return {};
  return {option, unit};
}

// A horizontal reference line with its label.
void add_reference(std::vector<std::string>& args, double value, const std::string& label) {
  for (const std::string& a :
       {std::string("--reference"), std::to_string(value), std::string("--reference-label"), label})
    args.push_back(a);
}

}  // namespace

std::vector<std::string> draw_pictures(const Problem& p, const std::vector<Monitor>& monitors,
                                       const SafetyResult& safety, const std::string& scripts) {
  const OutputInput& o = p.output;
  const CurveLabels& l = o.labels;
  std::vector<std::string> written;
  if (o.plots == 0) return written;
  Scripts run(scripts, o.plots);
  if (o.csv)
    for (const Monitor& mon : monitors) {
      const std::string png = o.name + (monitors.size() == 1 ? "" : "_" + mon.name) + ".png";
      std::vector<std::string> args = {o.name + ".csv", png,
                                       "--x",           "auto:" + mon.name,
                                       "--y",           "auto:" + mon.name,
                                       "--y-factor",    std::to_string(l.force_scale),
                                       "--title",       p.title};
      for (const auto& extra : {option_if("--x-unit", l.length_unit), option_if("--y-unit", l.force_unit),
                                option_if("--y-label", l.force)})
        args.insert(args.end(), extra.begin(), extra.end());
      if (std::isfinite(l.reference)) add_reference(args, l.reference, l.reference_label);
      if (run.run("plot_results.py", args)) written.push_back(png);
    }
  if (o.csv && safety.searched) {
    std::vector<std::string> args = {o.name + "_srf.csv",
                                     o.name + "_srf.png",
                                     "--x",
                                     "u",
                                     "--y",
                                     "srf",
                                     "--x-label",
                                     "control point displacement",
                                     "--y-label",
                                     "strength reduction factor",
                                     "--title",
                                     p.title};
    const auto unit = option_if("--x-unit", l.length_unit);
    args.insert(args.end(), unit.begin(), unit.end());
    if (safety.failed < HUGE_VAL) {
      char label[128];
      std::snprintf(label, sizeof label, "factor of safety %.3g (%.4g to %.4g)", safety.factor(),
                    safety.converged, safety.failed);
      add_reference(args, safety.factor(), label);
    }
    if (run.run("plot_results.py", args)) written.push_back(o.name + "_srf.png");
  }
  if (o.vtu && run.run("render_results.py", {o.name + ".pvd"})) written.push_back(o.name + "_phase*.png");
  return written;
}

}  // namespace th10run
