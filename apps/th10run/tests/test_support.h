// Helpers for the tests of th10run: a scratch working directory and a
// problem solved the way the program solves it.
#ifndef TH10RUN_TESTS_SUPPORT_H
#define TH10RUN_TESTS_SUPPORT_H

#include <memory>
#include <string>

#include "simulation.h"

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

// Runs a problem in the working directory with the given solver, quietly.
std::unique_ptr<th10run::Simulation> solve(th10run::Problem p, th10run::SolverKind kind);

// A shipped example problem (path relative to examples/), with no result files.
th10run::Problem example(const std::string& name);

}  // namespace th10run_test

#endif
