// Helpers for the tests of th10run: a scratch working directory and a
// problem solved the way the program solves it.
#ifndef TH10RUN_TESTS_SUPPORT_H
#define TH10RUN_TESTS_SUPPORT_H

#include <memory>
#include <string>

#include "scratch_dir.h"
#include "simulation.h"

namespace th10run_test {

using TempDir = th10test::ScratchDir;

// Runs a problem in the working directory with the given solver, quietly.
std::unique_ptr<th10run::Simulation> solve(th10run::Problem p, th10run::SolverKind kind);

// A shipped example problem (path relative to examples/), with no result files.
th10run::Problem example(const std::string& name);

}  // namespace th10run_test

#endif
