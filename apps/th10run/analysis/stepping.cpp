// th10run: load stepping with cut-backs. The load factor goes from 0 to 1 in
// equal increments; an increment that does not converge is undone and
// retried with half the step, and the step grows back after easy
// convergence.
#include <algorithm>
#include <sstream>

#include "analysis.h"
#include "iteration.h"
#include "timing.h"

namespace th10run {
namespace {

// The analysis while it runs: its parts, the global vectors and the tally.
class Stepper {
 public:
  Stepper(const StepsInput& st, ElementState& state, const Boundary& b, LinearSystem& system,
          ResultWriter& out, const AnalysisOptions& opt)
      : st_(st),
        state_(state),
        b_(b),
        system_(system),
        out_(out),
        progress_(opt.quiet, opt.verbose),
        tangent_(st.stiffness, st.integration),
        eq_(state.model().nDofs(), b.con.nFree) {
    ctl_.max_iterations = st.max_iterations;
    ctl_.tolerance = st.tolerance;
    ctl_.broyden = st.acceleration == Acceleration::Broyden;
  }

  AnalysisResult run();

 private:
  void write_results(int step, double lambda, int iterations, double residual, bool last);
  AnalysisResult& finish(bool completed, double lambda);

  const StepsInput& st_;
  ElementState& state_;
  const Boundary& b_;
  LinearSystem& system_;
  ResultWriter& out_;
  Progress progress_;
  TangentPolicy tangent_;
  Broyden broyden_;
  Equilibrium eq_;
  IterationControl ctl_;
  AnalysisResult res_;
  double output_time_ = 0.0;
  Clock::time_point start_ = Clock::now();
};

void Stepper::write_results(int step, double lambda, int iterations, double residual, bool last) {
  const auto t0 = Clock::now();
  out_.write(StepInfo{step, lambda, iterations, residual}, eq_.U, eq_.F, state_.plastic_forces(), last);
  output_time_ += since(t0);
}

AnalysisResult& Stepper::finish(bool completed, double lambda) {
  res_.completed = completed;
  res_.load = lambda;
  res_.method = system_.method();
  res_.times.elements = state_.times();
  res_.times.system = system_.times();
  res_.times.output = output_time_;
  res_.times.total = since(start_);
  return res_;
}

AnalysisResult Stepper::run() {
  tangent_.start_analysis(system_, state_);
  res_.method = system_.method();

  // The initial state (forces of stress - stress0, normally zero) as step 0.
  state_.internal_forces(eq_.F);
  eq_.Fc = eq_.F;
  write_results(0, 0.0, 0, 0.0, false);
  progress_.bar(0.0);

  const IterationContext context{eq_, state_, system_, tangent_, broyden_, b_, progress_};
  double lambda = 0.0;
  // The load step: one increment, or less after cuts until easy convergence
  // lets it grow back (the step carries over from one increment to the next).
  double dl = 1.0 / st_.increments;
  const double eps = 1e-9 * dl;  // load factors closer than this are the same
  for (int inc = 1; inc <= st_.increments; ++inc) {
    const double target = static_cast<double>(inc) / st_.increments;
    int cuts = 0;
    while (lambda < target - eps) {
      const double step = dl;
      dl = std::min(dl, target - lambda);
      const auto t0 = Clock::now();
      const IterationOutcome it = iterate_increment(ctl_, lambda + dl, dl, context);
      res_.iterations += it.iterations;
      if (!it.converged) {
        state_.restore();
        eq_.U = eq_.Uc;
        eq_.F = eq_.Fc;
        ++res_.cuts;
        if (++cuts > st_.max_cuts) {
          std::ostringstream s;
          s << "increment " << inc << " (load factor " << lambda << " to " << target
            << ") did not converge after " << st_.max_cuts << " cuts: " << it.why;
          res_.message = s.str();
          progress_.line("%s\n", res_.message.c_str());
          return finish(false, lambda);
        }
        dl *= 0.5;
        progress_.line("  step %4d  load %.4f  %s: cut to %.4g\n", res_.steps + 1, lambda + 2 * dl,
                       it.why.c_str(), dl);
        progress_.bar(lambda);
        continue;
      }
      // Converged: commit, then report and write the results. After a cut,
      // an increment that converged easily lets the next one grow again.
      state_.commit();
      eq_.Uc = eq_.U;
      eq_.Fc = eq_.F;
      const double dl_done = dl;
      dl = it.iterations <= std::max(2, st_.max_iterations / 4) ? std::min(2.0 * step, 1.0 / st_.increments)
                                                                : step;
      lambda = (lambda + dl_done >= target - eps) ? target : lambda + dl_done;
      ++res_.steps;
      write_results(res_.steps, lambda, it.iterations, it.residual, lambda >= 1.0);
      progress_.line("  step %4d  load %.4f  iterations %3d  residual %.2e  time %.2f s\n", res_.steps,
                     lambda, it.iterations, it.residual, since(t0));
      progress_.bar(lambda);
    }
  }
  progress_.clear();
  out_.finish();
  return finish(true, lambda);
}

}  // namespace

AnalysisResult run_analysis(const StepsInput& steps, ElementState& state, const Boundary& b,
                            LinearSystem& system, ResultWriter& out, const AnalysisOptions& opt) {
  return Stepper(steps, state, b, system, out, opt).run();
}

}  // namespace th10run
