#include "test_support.h"

namespace th10run_test {

using namespace th10run;

std::unique_ptr<Simulation> solve(Problem p, SolverKind kind) {
  p.solver.kind = kind;
  RunOptions o;
  o.quiet = true;
  return run_problem(p, o);
}

Problem example(const std::string& name) {
  Problem p = read_problem(std::string(TH10RUN_EXAMPLES_DIR) + "/" + name);
  p.output.gid = p.output.vtu = p.output.csv = false;
  return p;
}

}  // namespace th10run_test
