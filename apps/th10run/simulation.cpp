// th10run: the steps of one analysis, in the order a host program takes them.
#include "simulation.h"

#include <cstdio>

#include "analysis/element_state.h"
#include "output/result_writer.h"
#include "system/linear_system.h"

namespace th10run {
namespace {

// The linear system: dense LAPACK for small meshes, sparse SuiteSparse for
// larger ones (or as the problem says).
std::unique_ptr<LinearSystem> make_system(const SolverInput& s, const Model& m, const Constraints& c) {
  SolverKind kind = s.kind;
  if (kind == SolverKind::Auto) kind = m.nNodes() <= s.dense_limit ? SolverKind::Dense : SolverKind::Sparse;
  return kind == SolverKind::Dense ? make_dense_lapack(m, c) : make_sparse_suitesparse(m, c);
}

const char* stiffness_name(Stiffness s) {
  return s == Stiffness::Elastic   ? "elastic"
         : s == Stiffness::Tangent ? "tangent"
                                   : "Newton (current tangent)";
}

void print_times(const AnalysisTimes& t) {
  const ElementTimes& e = t.elements;
  const SystemTimes& s = t.system;
  const double library = s.stiffness + e.stresses + e.forces + e.state;
  std::printf(
      "*** time %.2f s: library %.2f s (stiffness %.2f, stresses %.2f, internal forces %.2f, commit %.2f),"
      " assembly %.2f s, factorisation %.2f s, solution %.2f s, output %.2f s\n",
      t.total, library, s.stiffness, e.stresses, e.forces, e.state, s.assembly, s.factor, s.solve, t.output);
}

}  // namespace

std::unique_ptr<Simulation> run_problem(const Problem& p, const RunOptions& o) {
  auto sim = std::make_unique<Simulation>();
  sim->problem = p;
  Model& m = sim->model;

  // 1. The mesh: node and element records (box or GiD file), DoF numbering,
  //    element coordinates, then Gauss points, Jacobians and B matrices.
  m = build_model(p.mesh);
  std::printf("*** mesh: %d nodes, %d elements, %d degrees of freedom\n", m.nNodes(), m.nElements(),
              m.nDofs());

  // 2. Supports and loads: constrained dofs, prescribed displacements and the
  //    consistent nodal forces of the pressures.
  Boundary& b = sim->boundary;
  b = build_boundary(m, p);
  if (b.nUnusedNodes > 0)
    std::printf("*** %d nodes belong to no element and are held fixed\n", b.nUnusedNodes);
  std::printf("*** %d free and %d prescribed degrees of freedom\n", b.con.nFree, b.con.nPrescribed);
  if (o.check) return sim;

  // 3. Material state: E, nu, G, c and the initial stress in every Gauss
  //    point, then Phi, Psi, F, De, Dp, Dep at that stress.
  set_up_material(m, p.material, p.initial);

  // 4. The linear system of the free degrees of freedom.
  const auto system = make_system(p.solver, m, b.con);
  std::printf("*** solver: %s, %s stiffness\n", system->name(), stiffness_name(p.steps.stiffness));

  // 5. Output headers (GiD mesh and result heads, CSV columns), then the
  //    load stepping, which writes every committed increment.
  ResultWriter out(p.output, m, b.monitors);
  std::fflush(stdout);
  ElementState state(m, p.material, p.steps.integration);
  AnalysisOptions opt;
  opt.quiet = o.quiet;
  opt.verbose = o.verbose;
  sim->result = run_analysis(p.steps, state, b, *system, out, opt);

  // 6. How it went and how the time was spent.
  const AnalysisResult& r = sim->result;
  std::printf("*** %s: %d increments, %d iterations, %d cuts, load factor %.4g, %s\n",
              r.completed ? "done" : "stopped early", r.steps, r.iterations, r.cuts, r.load,
              r.method.c_str());
  print_times(r.times);
  return sim;
}

}  // namespace th10run
