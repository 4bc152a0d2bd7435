#include "test_support.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>

namespace th10run_test {

using namespace th10run;

TempDir::TempDir() {
  previous_ = std::filesystem::current_path().string();
  std::string tmpl = (std::filesystem::temp_directory_path() / "th10run-test-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
  std::filesystem::current_path(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  std::filesystem::remove_all(path_, ec);
}

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
