// th10run: load stepping with cut-backs. The load factor of a phase goes
// from 0 to 1 in equal increments; an increment that does not converge is
// undone and retried with half the step, and the step grows back after easy
// convergence.
#include <algorithm>
#include <sstream>
#include <string>

#include "analysis.h"
#include "checkpoint.h"
#include "timing.h"

namespace th10run {
namespace {

void write_results(PhaseRun& run, int step, double lambda, int iterations, double residual, bool last,
                   double& output_time) {
  const auto t0 = Clock::now();
  run.out.write(StepInfo{step, run.number, lambda, iterations, residual}, run.eq.U, run.eq.F,
                run.state.plastic_forces(), last);
  output_time += since(t0);
}

// The Krylov iterations of an increment's solutions, for its progress line
// (nothing with a direct solver).
std::string linear_iterations(int count) {
  return count > 0 ? "  linear " + std::to_string(count) : "";
}

}  // namespace

IterationControl iteration_control(const StepsInput& st) {
  IterationControl ctl;
  ctl.max_iterations = st.max_iterations;
  ctl.tolerance = st.tolerance;
  ctl.broyden = st.acceleration == Acceleration::Broyden;
  ctl.predictor = st.integration == Integration::Return;
  return ctl;
}

void commit_increment(PhaseRun& run, double dl) {
  Equilibrium& eq = run.eq;
  run.state.commit();
  eq.last_step.resize(eq.U.size());
  for (size_t i = 0; i < eq.U.size(); ++i) eq.last_step[i] = eq.U[i] - eq.Uc[i];
  eq.last_dl = dl;
  eq.Uc = eq.U;
  eq.Fc = eq.F;
}

void undo_increment(PhaseRun& run) {
  run.state.restore();
  run.eq.U = run.eq.Uc;
  run.eq.F = run.eq.Fc;
}

void end_phase(const PhaseRun& run, bool completed, double lambda, double seconds, AnalysisResult& total) {
  total.completed = completed;
  total.load = lambda;
  total.method = run.system.method();
  total.times.elements = run.state.times();
  total.times.system.stiffness += run.system.times().stiffness;
  total.times.system.assembly += run.system.times().assembly;
  total.times.system.factor += run.system.times().factor;
  total.times.system.solve += run.system.times().solve;
  total.times.total += seconds;
}

void run_phase(const StepsInput& st, PhaseRun& run, AnalysisResult& total) {
  const auto start = Clock::now();
  TangentPolicy tangent(st.stiffness, st.integration);
  Broyden broyden;
  const IterationControl ctl = iteration_control(st);
  Equilibrium& eq = run.eq;
  eq.r.assign(run.boundary.con.nFree, 0.0);
  total.phase = run.number;
  total.completed = false;
  const auto finish = [&](bool completed, double lambda) {
    end_phase(run, completed, lambda, since(start), total);
  };

  // The elastic stiffness: the matrix of the initial-stiffness method, and a
  // check that the supports hold the body (a singular matrix stops here).
  tangent.start_analysis(run.system, run.state);
  total.method = run.system.method();
  if (total.steps == 0) {
    // The initial state (forces of stress - stress0, normally zero) as step 0.
    run.state.internal_forces(eq.F);
    eq.Fc = eq.F;
    write_results(run, 0, 0.0, 0, 0.0, false, total.times.output);
  }
  run.progress.bar(0.0);

  const IterationContext context{eq, run.state, run.system, tangent, broyden, run.boundary, run.progress};
  // From the phase's start or from where a checkpoint left it.
  double lambda = run.start.lambda;
  // The load step: one increment, or less after cuts until easy convergence
  // lets it grow back (the step carries over from one increment to the next).
  const int increments = run.increments;
  double dl = run.start.dl > 0.0 ? run.start.dl : 1.0 / increments;
  const double eps = 1e-9 * (1.0 / increments);  // load factors closer than this are the same
  for (int inc = run.start.increment; inc <= increments; ++inc) {
    const double target = static_cast<double>(inc) / increments;
    int cuts = inc == run.start.increment ? run.start.cuts : 0;
    while (lambda < target - eps) {
      const double step = dl;
      dl = std::min(dl, target - lambda);
      const auto t0 = Clock::now();
      const int linear0 = run.system.linear_iterations();
      const IterationOutcome it = iterate_increment(ctl, lambda + dl, dl, context);
      total.iterations += it.iterations;
      if (!it.converged) {
        undo_increment(run);
        ++total.cuts;
        if (++cuts > st.max_cuts) {
          std::ostringstream s;
          s << "increment " << inc << " (load factor " << lambda << " to " << target
            << ") did not converge after " << st.max_cuts << " cuts: " << it.why;
          total.message = s.str();
          run.progress.line("%s\n", total.message.c_str());
          finish(false, lambda);
          return;
        }
        dl *= 0.5;
        run.progress.line("  step %4d  load %.4f  %s: cut to %.4g\n", total.steps + 1, lambda + 2 * dl,
                          it.why.c_str(), dl);
        run.progress.bar(lambda);
        continue;
      }
      // Converged: commit, then report and write the results. After a cut,
      // an increment that converged easily lets the next one grow again.
      commit_increment(run, dl);
      const double dl_done = dl;
      dl = converged_easily(it.iterations, st.max_iterations) ? std::min(2.0 * step, 1.0 / increments) : step;
      lambda = (lambda + dl_done >= target - eps) ? target : lambda + dl_done;
      ++total.steps;
      total.residuals.push_back(it.history);
      write_results(run, total.steps, lambda, it.iterations, it.residual, lambda >= 1.0, total.times.output);
      if (run.checkpoint) run.checkpoint->committed(run, PhasePosition{inc, lambda, dl, cuts}, total);
      run.progress.line("  step %4d  load %.4f  iterations %3d  residual %.2e  time %.2f s  %s%s\n",
                        total.steps, lambda, it.iterations, it.residual, since(t0),
                        run.system.method().c_str(),
                        linear_iterations(run.system.linear_iterations() - linear0).c_str());
      run.progress.bar(lambda);
    }
  }
  run.progress.clear();
  finish(true, lambda);
}

}  // namespace th10run
