#include "th10run_test_support.h"

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

std::unique_ptr<Solved> solve(Problem p, SolverKind kind) {
  auto s = std::make_unique<Solved>();
  s->p = std::move(p);
  s->m = build_model(s->p.mesh);
  s->b = build_boundary(s->m, s->p);
  set_up_material(s->m, s->p.material, s->p.initial);
  auto solver = kind == SolverKind::Dense ? make_dense_solver(s->m, s->b.con, s->p.material.associated)
                                          : make_sparse_solver(s->m, s->b.con, s->p.material.associated);
  ResultWriter out(s->p, s->m, s->b);
  AnalysisOptions opt;
  opt.quiet = true;
  s->r = run_analysis(s->p, s->m, s->b, *solver, out, opt);
  return s;
}

std::string examples_dir() {
  return TH10RUN_EXAMPLES_DIR;
}

}  // namespace th10run_test
