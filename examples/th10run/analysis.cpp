// th10run: the incremental, iterative analysis, in the order in which a host
// calls the library:
//
//   for each load increment (load factor lambda0 -> lambda1):
//     stiffness      make_K / make_ke: elastic once, or the tangent of the
//                    committed state per increment, or (Newton) of the
//                    current state in every iteration
//     iterate:
//       solve        K du = out-of-balance force (first iteration: with the
//                    prescribed displacement increment moved to the right side)
//       stresses     dU_Eps_Sig_RK4: du -> dstrain, dstress from the committed state
//       forces       make_Fint: internal forces of stress - stress0 + dstress
//       converged?   |Fext - Fint| on the free dofs <= tolerance x max(|Fext|, |reactions|)
//     commit         update_Strain_Stress, then update_Phi_F_D at the new stress
//     results        Update_Nodes, update_GID, VTU, CSV
//
// An increment that does not converge is cut in half and retried from the
// committed state; after too many cuts the analysis stops.
#include "analysis.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <sstream>

namespace th10run {
namespace {

using Clock = std::chrono::steady_clock;

// Iterations without a 10 % gain on the best residual before an increment is cut.
constexpr int kStagnation = 20;
// Broyden steps kept before the history restarts.
constexpr size_t kBroydenHistory = 40;

double since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

double norm(const std::vector<double>& v) {
  double s = 0.0;
  for (double x : v) s += x * x;
  return std::sqrt(s);
}

// Everything the loop works on: the host's global vectors (3 x nNodes,
// node-major) and the free-dof vectors (nFree).
struct Run {
  const Problem& p;
  Model& m;
  const Boundary& b;
  LinearSolver& solver;
  ResultWriter& out;
  AnalysisOptions opt;
  AnalysisTimes t;
  bool terminal = false;
  Clock::time_point start = Clock::now();

  std::vector<double> U;   // displacement of the trial state
  std::vector<double> Uc;  // committed displacement
  std::vector<double> F;   // internal forces of the trial state
  std::vector<double> Fc;  // internal forces of the committed state
  std::vector<double> Fp;  // plastic forces (integration "plastic_forces")
  std::vector<double> du;  // displacement correction, all dofs
  std::vector<double> r;   // out-of-balance force, then correction, free dofs

  Run(const Problem& p_, Model& m_, const Boundary& b_, LinearSolver& s_, ResultWriter& o_,
      const AnalysisOptions& opt_)
      : p(p_), m(m_), b(b_), solver(s_), out(o_), opt(opt_) {
    const size_t n = m.nDofs();
    U.assign(n, 0.0);
    Uc.assign(n, 0.0);
    F.assign(n, 0.0);
    Fc.assign(n, 0.0);
    du.assign(n, 0.0);
    if (p.steps.integration == Integration::PlasticForces) Fp.assign(n, 0.0);
    r.assign(b.con.nFree, 0.0);
    terminal = isatty(fileno(stdout)) != 0;
  }

  int nE() const { return m.nElements(); }
  int assoc() const { return p.material.associated ? 1 : 0; }

  // Stiffness of the free dofs, assembled and factorised.
  void stiffness(int tangent) {
    solver.assemble(m.elems, tangent);
    solver.factorize();
  }

  // The tangent of the current trial state (Newton's method): every Gauss
  // point whose stress increment took the plastic path (dstress differs from
  // De dstrain) gets the elasto-plastic matrix at its trial stress
  // stress + dstress for the assembly only. The library's element matrix reads
  // F, De and Dep of the point, so F and Dep are set for the assembly and put
  // back afterwards: the committed state that the stress integration starts
  // from is left as it was.
  void current_tangent() {
    const auto t0 = Clock::now();
    saved.resize(static_cast<size_t>(nE()) * 15 * 37);
    double* keep = saved.data();
    for (TH10G15::ELEMENT& el : m.elems)
      for (TH10G15::GAUSSPOINT& g : el.GP) {
        keep[0] = g.F;
        std::copy(g.Dep, g.Dep + 36, keep + 1);
        keep += 37;
        double elastic[6], diff = 0.0, size = 0.0;
        for (int i = 0; i < 6; ++i) {
          elastic[i] = 0.0;
          for (int j = 0; j < 6; ++j) elastic[i] += g.De[6 * i + j] * g.dstrain[j];
          diff += std::fabs(g.dstress[i] - elastic[i]);
          size += std::fabs(elastic[i]);
        }
        if (!(diff > 1e-10 * size)) {
          g.F = -1.0;  // elastic path: De
          continue;
        }
        double sigma[6], Dp[36];
        for (int i = 0; i < 6; ++i) sigma[i] = g.stress[i] + g.dstress[i];
        FEM::MC_SG_Dep(sigma, 6, g.Phi, g.Psi, g.c, g.De, Dp, g.Dep);
        g.F = 0.0;
      }
    t.state += since(t0);
    solver.assemble(m.elems, 1);
    keep = saved.data();
    for (TH10G15::ELEMENT& el : m.elems)
      for (TH10G15::GAUSSPOINT& g : el.GP) {
        g.F = keep[0];
        std::copy(keep + 1, keep + 37, g.Dep);
        keep += 37;
      }
    solver.factorize();
  }
  std::vector<double> saved;

  // Stress increments of every Gauss point from the accumulated displacement
  // change, by the integration routine the problem names.
  void stresses() {
    const auto t0 = Clock::now();
    switch (p.steps.integration) {
      case Integration::Basic:
        TH10G15::dU_Eps_Sig_RK4(m.elems.data(), nE(), du.data(), m.nNodes());
        break;
      case Integration::Mobilised:
        // Mode 2 re-mobilises the friction angle at the stage stresses.
        TH10G15::dU_Eps_Sig_RK4(m.elems.data(), nE(), du.data(), m.nNodes(), 2, p.material.phi, assoc(),
                                p.material.psi);
        break;
      case Integration::PlasticForces:
        TH10G15::dU_Eps_Sig_RK4(m.elems.data(), nE(), du.data(), m.nNodes(), Fp.data());
        break;
    }
    t.stresses += since(t0);
  }

  void forces() {
    const auto t0 = Clock::now();
    TH10G15::make_Fint(m.elems.data(), nE(), m.nNodes(), F.data());
    t.forces += since(t0);
  }

  // Back to the committed state: clear the open increments and re-evaluate
  // the material state (mode 2 integration may have moved Phi, Psi and F).
  void restore() {
    const auto t0 = Clock::now();
    for (TH10G15::ELEMENT& el : m.elems)
      for (TH10G15::GAUSSPOINT& g : el.GP)
        for (int k = 0; k < 6; ++k) g.dstrain[k] = g.dstress[k] = 0.0;
    TH10G15::update_Phi_F_D(m.elems.data(), nE(), p.material.phi, assoc(), p.material.psi);
    U = Uc;
    F = Fc;
    t.state += since(t0);
  }

  // Adds the increments to the committed strain and stress, then sets the
  // friction angle, yield value and matrices at the new stress.
  void commit() {
    const auto t0 = Clock::now();
    TH10G15::update_Strain_Stress(m.elems.data(), nE());
    TH10G15::update_Phi_F_D(m.elems.data(), nE(), p.material.phi, assoc(), p.material.psi);
    Uc = U;
    Fc = F;
    t.state += since(t0);
  }

  // Relative out-of-balance force: the free dofs against the larger of the
  // external loads and the reactions (internal minus external force at the
  // constrained dofs). Leaves the out-of-balance force in r.
  double residual(double lambda) {
    const Constraints& c = b.con;
    double fext = 0.0, reac = 0.0;
    for (int i = 0; i < m.nDofs(); ++i) {
      const double fe = lambda * b.Fref[i];
      if (c.eq[i] >= 0) {
        r[c.eq[i]] = fe - F[i];
        fext += fe * fe;
      } else {
        reac += (F[i] - fe) * (F[i] - fe);
      }
    }
    const double ref = std::max(std::sqrt(fext), std::sqrt(reac));
    const double res = norm(r);
    if (res == 0.0) return 0.0;
    return ref > 0.0 ? res / ref : HUGE_VAL;
  }

  // Spreads a free-dof correction (in r) over all dofs; prescribed dofs move by dp x target.
  void expand(double dp) {
    const Constraints& c = b.con;
    for (int i = 0; i < m.nDofs(); ++i) {
      if (c.eq[i] >= 0)
        du[i] = r[c.eq[i]];
      else
        du[i] = c.kind[i] == Constraints::Prescribed ? dp * c.target[i] : 0.0;
    }
  }

  // One increment from lambda0 to lambda0 + dl. Returns true when it converged
  // (the state is then open, to be committed), else false with `why` set.
  bool increment(double lambda0, double dl, int& iterations, double& res, std::string& why) {
    const double lambda1 = lambda0 + dl;
    const bool tangent = p.steps.stiffness != Stiffness::Elastic;
    const bool refresh =
        p.steps.stiffness == Stiffness::Newton || (tangent && p.steps.integration == Integration::Mobilised);
    try {
      if (tangent) stiffness(1);
    } catch (const SolverError& e) {
      why = e.what();
      return false;
    }
    // First correction: external loads at lambda1 against the committed
    // internal forces, with the prescribed displacement increment applied.
    residual(lambda1);
    const std::vector<double>& kfp = solver.kfp_target();
    for (int i = 0; i < b.con.nFree; ++i) r[i] -= dl * kfp[i];
    double best = HUGE_VAL;
    int best_at = 0;
    // Broyden's updates serve a matrix that stays fixed over the iterations.
    const bool broyden = p.steps.acceleration == Acceleration::Broyden && !refresh;
    steps.clear();
    step_norm2.clear();
    for (iterations = 1; iterations <= p.steps.max_iterations; ++iterations) {
      if (b.con.nFree > 0) solver.solve(r);
      if (broyden && iterations >= 2) accelerate();
      expand(iterations == 1 ? dl : 0.0);
      for (size_t i = 0; i < U.size(); ++i) U[i] += du[i];
      stresses();
      forces();
      res = residual(lambda1);
      if (opt.verbose) std::printf("      iteration %3d  residual %.3e\n", iterations, res);
      if (!std::isfinite(res) || res > 1e12) {
        why = "the iterations diverged";
        return false;
      }
      if (res <= p.steps.tolerance) return true;
      // Stagnation: no clear progress over many iterations. Points that switch
      // between the elastic and the plastic path from one iteration to the
      // next make the out-of-balance force jump by amounts that shrink with
      // the increment: a smaller increment is then the way on.
      if (res < 0.9 * best) {
        best = res;
        best_at = iterations;
      } else if (iterations - best_at >= kStagnation) {
        std::ostringstream s;
        s << "no progress in " << kStagnation << " iterations (residual " << res << ")";
        why = s.str();
        return false;
      }
      if (refresh && iterations < p.steps.max_iterations) {
        try {
          if (p.steps.stiffness == Stiffness::Newton)
            current_tangent();
          else
            stiffness(1);
        } catch (const SolverError& e) {
          why = e.what();
          return false;
        }
      }
    }
    --iterations;
    std::ostringstream s;
    s << "no convergence in " << iterations << " iterations (residual " << res << ")";
    why = s.str();
    return false;
  }

  // Broyden's method on top of the fixed stiffness (in the form of Kelley,
  // "Iterative Methods for Linear and Nonlinear Equations", 1995, ch. 7):
  // the plain correction z = K^-1 r in `r` becomes the quasi-Newton step
  // from the earlier steps s_0..s_n of this increment (s_0 is the first
  // step after the prescribed displacements were applied):
  //   z += s_(j+1) (s_j . z) / |s_j|^2 for j < n;  s_(n+1) = z / (1 - s_n . z / |s_n|^2).
  // The history restarts when the update is ill-conditioned or long.
  void accelerate() {
    if (!steps.empty()) {
      plain = r;
      const size_t n = steps.size() - 1;
      for (size_t j = 0; j < n; ++j) {
        const double a = dot(steps[j], r) / step_norm2[j];
        const std::vector<double>& next = steps[j + 1];
        for (size_t i = 0; i < r.size(); ++i) r[i] += a * next[i];
      }
      const double denom = 1.0 - dot(steps[n], r) / step_norm2[n];
      if (!(std::fabs(denom) > 0.1) || steps.size() >= kBroydenHistory) {
        r.swap(plain);
        steps.clear();
        step_norm2.clear();
      } else {
        for (double& x : r) x /= denom;
      }
    }
    steps.push_back(r);
    step_norm2.push_back(dot(r, r));
    if (step_norm2.back() == 0.0) {
      steps.clear();
      step_norm2.clear();
    }
  }
  static double dot(const std::vector<double>& a, const std::vector<double>& b) {
    double s = 0.0;
    for (size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
    return s;
  }
  std::vector<std::vector<double>> steps;
  std::vector<double> step_norm2, plain;

  void clear_bar() {
    if (terminal && !opt.quiet) std::printf("\r\033[K");
  }
  void show_bar(double lambda) {
    if (!terminal || opt.quiet) return;
    const int width = 30, done = static_cast<int>(std::lround(lambda * width));
    std::printf("[%s%s] %3.0f%%", std::string(done, '#').c_str(), std::string(width - done, '.').c_str(),
                100.0 * lambda);
    std::fflush(stdout);
  }

  void line(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
    if (opt.quiet) return;
    clear_bar();
    va_list ap;
    va_start(ap, fmt);
    std::vprintf(fmt, ap);
    va_end(ap);
    std::fflush(stdout);
  }

  void results(const StepInfo& s, bool full) {
    const auto t0 = Clock::now();
    // The node records take the displacements and nodal forces of the step.
    FEM::Update_Nodes(m.nodes.data(), m.nNodes(), U.data(), F.data());
    out.write(s, U, F, Fp, full);
    t.output += since(t0);
  }
};

}  // namespace

AnalysisResult run_analysis(const Problem& p, Model& m, const Boundary& b, LinearSolver& solver,
                            ResultWriter& out, const AnalysisOptions& opt) {
  Run run(p, m, b, solver, out, opt);
  AnalysisResult res;
  const StepsInput& st = p.steps;

  // The elastic stiffness: the matrix of the initial-stiffness method, and a
  // check that the supports hold the body (a singular matrix stops here).
  run.stiffness(0);
  res.method = solver.method();

  // The initial state (forces of stress - stress0, normally zero) as step 0.
  run.forces();
  run.Fc = run.F;
  run.results(StepInfo{0, 0.0, 0, 0.0}, true);
  run.show_bar(0.0);

  double lambda = 0.0;
  // The load step: one increment, or less after cuts until easy convergence
  // lets it grow back (the step carries over from one increment to the next).
  double dl = 1.0 / st.increments;
  const double eps = 1e-9 * dl;  // load factors closer than this are the same
  for (int inc = 1; inc <= st.increments; ++inc) {
    const double target = static_cast<double>(inc) / st.increments;
    int cuts = 0;
    while (lambda < target - eps) {
      const double step = dl;
      dl = std::min(dl, target - lambda);
      const auto t0 = Clock::now();
      int iterations = 0;
      double residual = 0.0;
      std::string why;
      const bool converged = run.increment(lambda, dl, iterations, residual, why);
      res.iterations += iterations;
      if (!converged) {
        run.restore();
        ++res.cuts;
        if (++cuts > st.max_cuts) {
          std::ostringstream s;
          s << "increment " << inc << " (load factor " << lambda << " to " << target
            << ") did not converge after " << st.max_cuts << " cuts: " << why;
          res.message = s.str();
          res.load = lambda;
          run.line("%s\n", res.message.c_str());
          res.times = run.t;
          res.times.solver = solver.times();
          res.times.total = since(run.start);
          return res;
        }
        dl *= 0.5;
        run.line("  step %4d  load %.4f  %s: cut to %.4g\n", res.steps + 1, lambda + 2 * dl, why.c_str(), dl);
        run.show_bar(lambda);
        continue;
      }
      // Converged: commit, then report and write the results. After a cut,
      // an increment that converged easily lets the next one grow again.
      run.commit();
      const double dl_done = dl;
      dl =
          iterations <= std::max(2, st.max_iterations / 4) ? std::min(2.0 * step, 1.0 / st.increments) : step;
      lambda = (lambda + dl_done >= target - eps) ? target : lambda + dl_done;
      ++res.steps;
      const bool last = lambda >= 1.0;
      run.results(StepInfo{res.steps, lambda, iterations, residual}, last || res.steps % p.output.every == 0);
      run.line("  step %4d  load %.4f  iterations %3d  residual %.2e  time %.2f s\n", res.steps, lambda,
               iterations, residual, since(t0));
      run.show_bar(lambda);
    }
  }
  run.clear_bar();
  if (p.output.dump) out.dump();
  res.completed = true;
  res.load = lambda;
  res.method = solver.method();
  res.times = run.t;
  res.times.solver = solver.times();
  res.times.total = since(run.start);
  return res;
}

}  // namespace th10run
