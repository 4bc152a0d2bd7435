// Helpers for the tests of th10run: running a problem in a scratch folder and
// keeping the records for inspection.
#ifndef TH10RUN_TESTS_SUPPORT_H
#define TH10RUN_TESTS_SUPPORT_H

#include <memory>
#include <string>

#include "analysis.h"
#include "boundary.h"
#include "model.h"
#include "output.h"
#include "problem.h"
#include "solver.h"

namespace th10run_test {

// A fresh temporary directory that is the working directory while it lives.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string previous_, path_;
};

// A problem solved to the end: the records hold the last committed state.
struct Solved {
  th10run::Problem p;
  th10run::Model m;
  th10run::Boundary b;
  th10run::AnalysisResult r;
};

// Runs a problem (already parsed) in the current working directory, the way
// th10run does, with the given solver kind.
std::unique_ptr<Solved> solve(th10run::Problem p, th10run::SolverKind kind);

// The examples folder of the source tree.
std::string examples_dir();

}  // namespace th10run_test

#endif
