// th10run: the steps of one analysis, in the order a host program takes them.
#include "simulation.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "analysis/checkpoint.h"
#include "analysis/element_state.h"
#include "analysis/progress.h"
#include "analysis/strength_reduction.h"
#include "materials.h"
#include "output/pictures.h"
#include "output/result_writer.h"
#include "phases.h"
#include "system/linear_system.h"
#include "threads.h"
#include "timing.h"

namespace th10run {
namespace {

// The linear system: dense LAPACK for small meshes, sparse SuiteSparse for
// larger ones, PETSc over several ranks (or as the problem says), over the
// active elements.
std::unique_ptr<LinearSystem> make_system(const SolverInput& s, const Model& m, const Constraints& c,
                                          std::vector<std::pair<int, int>> ranges) {
  SolverKind kind = s.kind;
  if (kind == SolverKind::Auto && m.part.ranks->size() > 1) kind = SolverKind::Petsc;
  if (kind == SolverKind::Auto) kind = m.nNodes() <= s.dense_limit ? SolverKind::Dense : SolverKind::Sparse;
  if (kind == SolverKind::Petsc) return make_petsc(m, c, std::move(ranges), s);
  return kind == SolverKind::Dense ? make_dense_lapack(m, c, std::move(ranges))
                                   : make_sparse_suitesparse(m, c, std::move(ranges));
}

// The serial solvers hold the matrix of one rank's elements only.
void check_solver(const SolverInput& s, const Ranks& ranks) {
  if (ranks.size() > 1 && (s.kind == SolverKind::Dense || s.kind == SolverKind::Sparse))
    throw ProblemError(s.where + ": solver.type: \"" + (s.kind == SolverKind::Dense ? "dense" : "sparse") +
                       "\" solves on one process only; over " + std::to_string(ranks.size()) +
                       " processes use \"petsc\" (or \"auto\")");
}

const char* stiffness_name(Stiffness s) {
  return s == Stiffness::Elastic ? "elastic" : s == Stiffness::Tangent ? "tangent" : "Newton";
}

// The boundary conditions of a phase resumed: its constraints as the
// problem gives them, its loads as the checkpoint kept them.
Boundary resumed_boundary(const Problem& p, const ElementState& state, const Resumed& z) {
  Boundary b = build_boundary(state.model(), p, z.phase, state.active());
  b.F0 = z.F0;
  b.Fref = z.Fref;
  return b;
}

// The threads of each rank: as the command line says, else the problem,
// else OMP_NUM_THREADS or every core; over several ranks, which may share a
// machine's cores, one each unless one of those says otherwise.
int thread_count(const Problem& p, const RunOptions& o) {
  const int n = o.threads > 0 ? o.threads : p.solver.threads;
  return n == 0 && o.ranks->size() > 1 && !std::getenv("OMP_NUM_THREADS") ? 1 : n;
}

// The most memory any rank held, and all ranks together.
void print_memory(const Ranks& ranks) {
  const double mine = Ranks::peak_memory();
  std::vector<double> all = {mine};
  ranks.sum(all);
  std::printf("*** memory: %.0f MB at most per rank, %.0f MB in all over %d rank%s\n", ranks.max(mine) / 1e6,
              all[0] / 1e6, ranks.size(), ranks.size() > 1 ? "s" : "");
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

void print_safety(const SafetyResult& s) {
  if (s.failed == HUGE_VAL)
    std::printf("*** factor of safety above %.4g: no failure up to that strength reduction factor\n",
                s.converged);
  else if (s.converged < s.failed)
    std::printf("*** factor of safety %.4g: converged at SRF %.4g, not at %.4g\n", s.factor(), s.converged,
                s.failed);
}

}  // namespace

std::unique_ptr<Simulation> run_problem(const Problem& p, const RunOptions& o) {
  const auto start = Clock::now();
  auto sim = std::make_unique<Simulation>();
  sim->problem = p;
  Model& m = sim->model;

  // 1. The mesh: node and element records (box, GiD or gmsh file), sorted
  //    into their element groups; DoF numbering, element coordinates, then
  //    Gauss points, Jacobians and B matrices.
  check_solver(p.solver, *o.ranks);
  m = build_model(p.mesh, p.groups, o.ranks);
  std::printf("*** mesh: %d nodes, %d elements, %d degrees of freedom\n", m.nNodes(), m.part.nElements,
              m.nDofs());
  if (o.ranks->size() > 1)
    std::printf("*** %d ranks, each holding the records of about %d elements\n", o.ranks->size(),
                m.part.nElements / o.ranks->size());

  // 2. Which material fills each group, which groups each phase has, and
  //    the node sets the curves follow. Every name is checked here.
  const std::vector<int> group_material = assign_materials(m, p.materials);
  const std::vector<std::vector<char>> activity = phase_activity(m, p);
  const std::vector<Monitor> monitors = build_monitors(m, p, activity);
  const PhaseInput& last = p.phases.back();  // a safety phase can only be the last
  const std::vector<int> control =
      last.kind == PhaseKind::Safety ? control_nodes(m, last, monitors) : std::vector<int>{};
  for (size_t k = 0; k < p.phases.size(); ++k) {
    const Boundary b = build_boundary(m, p, k, activity[k]);
    if (b.nUnusedNodes > 0 && p.phases.size() == 1)
      std::printf("*** %d nodes belong to no element and are held fixed\n", b.nUnusedNodes);
    std::printf("*** %s%d free and %d prescribed degrees of freedom\n",
                p.phases.size() > 1 ? ("phase " + p.phases[k].name + ": ").c_str() : "", b.con.nFree,
                b.con.nPrescribed);
  }
  if (o.check) return sim;

  // 3. Material state: E, nu, G, c and the initial stress in every Gauss
  //    point, then Phi, Psi, F, De, Dp, Dep at that stress, group by group.
  ElementState state(m, p.materials, group_material, p.steps.integration);
  for (const ElementGroup& g : m.groups) store_initial_stress(m, g, p.initial);
  state.store_materials();
  std::printf("*** integration: %s, %s stiffness\n", integration_name(p.steps.integration),
              stiffness_name(p.steps.stiffness));

  // 4. The threads of the element loops, then where the analysis starts:
  //    from the beginning, or from the last checkpoint, which restores the
  //    state, the node vectors and the position.
  set_threads(thread_count(p, o));
  std::printf("*** threads: %d\n", threads());
  Equilibrium eq(m.nDofs(), 0);
  PhaseCarry carry;
  const std::string checkpoint_file = p.output.name + ".checkpoint";
  const std::string fingerprint = problem_fingerprint(p, m, threads());
  std::unique_ptr<Resumed> resumed;
  // A checkpoint holds one process's elements: single-process runs only.
  const bool single = o.ranks->size() == 1;
  if (o.resume && !single)
    throw ProblemError("--resume: checkpoints are written by single-process runs only");
  if (!single && p.output.checkpoint_every > 0)
    std::printf("*** no checkpoints: they are written by single-process runs only\n");
  if (o.resume && std::ifstream(checkpoint_file).good()) {
    resumed = std::make_unique<Resumed>(read_checkpoint(checkpoint_file, fingerprint, state, eq, carry));
    std::printf("*** resuming after step %d (phase %d, load factor %.4g) from %s\n", resumed->steps,
                resumed->phase + 1, resumed->at.lambda, checkpoint_file.c_str());
  } else if (o.resume) {
    std::printf("*** no checkpoint %s: starting from the beginning\n", checkpoint_file.c_str());
  }

  // 5. Output headers (GiD mesh and result heads, CSV columns), or the
  //    files as the checkpoint left them.
  ResultWriter out(p.output, state, monitors, resumed ? &resumed->out : nullptr);
  Checkpoint checkpoint(checkpoint_file, single ? p.output.checkpoint_every : 0, fingerprint, carry);
  std::fflush(stdout);

  // 6. The phases, each from the committed state of the last: its changes,
  //    boundary conditions and linear system, then its load stepping (or,
  //    in a safety phase, its strength reduction), which writes every
  //    committed increment and the checkpoints. A phase resumed
  //    goes on from its checkpoint's position (a phase that the checkpoint
  //    finished, with the next one).
  Progress progress(o.quiet, o.verbose);
  AnalysisResult& r = sim->result;
  size_t first = 0;
  if (resumed) {
    r.steps = resumed->steps;
    r.cuts = resumed->cuts;
    r.iterations = resumed->iterations;
    first = resumed->at.lambda >= 1.0 ? resumed->phase + 1 : resumed->phase;
    r.completed = first == p.phases.size();
    r.phase = resumed->phase + 1;
    r.load = resumed->at.lambda;
  }
  for (size_t k = first; k < p.phases.size(); ++k) {
    const PhaseInput& ph = p.phases[k];
    if (p.phases.size() > 1) progress.line("*** phase %zu: %s\n", k + 1, ph.name.c_str());
    const bool mid_phase = resumed && static_cast<size_t>(resumed->phase) == k;
    const Boundary b =
        mid_phase ? resumed_boundary(p, state, *resumed) : start_phase(p, k, activity, state, eq, carry);
    const auto system = make_system(p.solver, m, b.con, state.active_ranges());
    if (mid_phase) system->set_tangent_cholesky(resumed->tangent_cholesky);
    if (k == first) std::printf("*** solver: %s\n", system->name());
    PhaseRun run{static_cast<int>(k) + 1,
                 ph.increments > 0 ? ph.increments : p.steps.increments,
                 state,
                 b,
                 *system,
                 eq,
                 out,
                 progress,
                 mid_phase ? resumed->at : PhasePosition{},
                 &checkpoint};
    if (ph.kind == PhaseKind::Safety)
      run_safety_phase(p.steps, ph.safety, p.output, control, run, r);
    else
      run_phase(p.steps, run, r);
    if (!r.completed) break;
  }
  if (r.completed) out.finish();
  r.times.total = since(start);
  if (r.safety.searched) print_safety(r.safety);

  // 7. How it went and how the time was spent.
  std::printf("*** %s: %d increments, %d iterations, %d cuts, phase %d, load factor %.4g, %s\n",
              r.completed ? "done" : "stopped early", r.steps, r.iterations, r.cuts, r.phase, r.load,
              r.method.c_str());
  print_times(r.times);
  print_memory(*o.ranks);

  // 8. Pictures of the curves and of the mesh, drawn from the result files
  //    (of a single-process run: the drawing reads whole VTU files).
  if (!o.scripts.empty() && o.ranks->size() == 1)
    sim->pictures = draw_pictures(p, monitors, r.safety, o.scripts);
  return sim;
}

}  // namespace th10run
