// th10run: Newton-type iteration to equilibrium within one increment:
//   solve        K du = out-of-balance force (first iteration: with the
//                prescribed displacement increment moved to the right side)
//   stresses     the library's stress integration: du -> dstrain, dstress
//                from the committed state
//   forces       make_Fint: internal forces of stress - stress0 + dstress
//   converged?   |Fext - Fint| on the free dofs <= tolerance x max(|Fext|, |reactions|)
#include "iteration.h"

#include <cmath>
#include <sstream>

namespace th10run {
namespace {

// Iterations without a 10 % gain on the best residual before an increment is cut.
constexpr int kStagnation = 20;
// A relative residual above this has diverged.
constexpr double kDiverged = 1e12;

// Spreads a free-dof correction (in eq.r) over all dofs; prescribed dofs move
// by dp x their target.
void expand(double dp, const Constraints& c, Equilibrium& eq) {
  for (size_t i = 0; i < eq.du.size(); ++i) {
    if (c.eq[i] >= 0)
      eq.du[i] = eq.r[c.eq[i]];
    else
      eq.du[i] = c.kind[i] == Constraints::Prescribed ? dp * c.target[i] : 0.0;
  }
}

std::string message(const char* what, int value, const char* label, double residual) {
  std::ostringstream s;
  s << what << value << label << residual << ")";
  return s.str();
}

}  // namespace

Equilibrium::Equilibrium(int nDofs, int nFree)
    : U(nDofs, 0.0), Uc(nDofs, 0.0), F(nDofs, 0.0), Fc(nDofs, 0.0), du(nDofs, 0.0), r(nFree, 0.0) {}

double relative_residual(double lambda, const Boundary& b, const LinearSystem& system, Equilibrium& eq) {
  const Constraints& c = b.con;
  double fext = 0.0, reac = 0.0;
  for (size_t i = 0; i < eq.F.size(); ++i) {
    const double fe = b.F0[i] + lambda * b.Fref[i];
    if (c.eq[i] >= 0) {
      eq.r[c.eq[i]] = fe - eq.F[i];
      fext += fe * fe;
    } else {
      reac += (eq.F[i] - fe) * (eq.F[i] - fe);
    }
  }
  const double ref = std::max(std::sqrt(fext), std::sqrt(reac));
  const double res = system.norm(eq.r);
  if (res == 0.0) return 0.0;
  return ref > 0.0 ? res / ref : HUGE_VAL;
}

namespace {

// The extrapolated start of an increment: the free dofs move as they did
// over the last committed increment, scaled to this one's load step; the
// prescribed ones by their whole increment.
void extrapolate(double dl, const Constraints& c, Equilibrium& eq) {
  const double s = dl / eq.last_dl;
  for (size_t i = 0; i < eq.du.size(); ++i) {
    if (c.eq[i] >= 0)
      eq.du[i] = s * eq.last_step[i];
    else
      eq.du[i] = c.kind[i] == Constraints::Prescribed ? dl * c.target[i] : 0.0;
  }
}

}  // namespace

IterationOutcome iterate_increment(const IterationControl& ctl, double lambda1, double dl,
                                   const IterationContext& c) {
  IterationOutcome out;
  Equilibrium& eq = c.eq;
  double& res = out.residual;
  // With a predictor, the increment starts where the last one pointed: one
  // evaluation of the stresses and forces, counted as the first iteration.
  const bool predict = ctl.predictor && !eq.last_step.empty();
  if (predict) {
    out.iterations = 1;
    extrapolate(dl, c.boundary.con, eq);
    for (size_t i = 0; i < eq.U.size(); ++i) eq.U[i] += eq.du[i];
    c.state.integrate(eq.du);
    c.state.internal_forces(eq.F);
    res = relative_residual(lambda1, c.boundary, c.system, eq);
    out.history.push_back(res);
    c.progress.iteration(1, res);
    if (res <= ctl.tolerance) {
      out.converged = true;
      return out;
    }
  }
  try {
    c.tangent.start_increment(c.system, c.state, predict);
  } catch (const SolverError& e) {
    out.why = e.what();
    return out;
  }
  if (!predict) {
    // First correction: external loads at lambda1 against the committed
    // internal forces, with the prescribed displacement increment applied.
    relative_residual(lambda1, c.boundary, c.system, eq);
    const std::vector<double>& kfp = c.system.kfp_target();
    for (size_t i = 0; i < eq.r.size(); ++i) eq.r[i] -= dl * kfp[i];
  }
  double best = HUGE_VAL;
  int best_at = 0;
  const bool broyden = ctl.broyden && c.tangent.fixed_within_increment();
  c.broyden.reset();
  for (int k = out.iterations + 1; k <= ctl.max_iterations; ++k) {
    out.iterations = k;
    try {
      if (!eq.r.empty()) c.system.solve(eq.r);
    } catch (const SolverError& e) {  // an iterative solver that does not converge
      out.why = e.what();
      return out;
    }
    if (broyden && k >= 2) c.broyden.accelerate(eq.r, c.system);
    expand(k == 1 ? dl : 0.0, c.boundary.con, eq);
    for (size_t i = 0; i < eq.U.size(); ++i) eq.U[i] += eq.du[i];
    c.state.integrate(eq.du);
    c.state.internal_forces(eq.F);
    res = relative_residual(lambda1, c.boundary, c.system, eq);
    out.history.push_back(res);
    c.progress.iteration(k, res);
    if (!std::isfinite(res) || res > kDiverged) {
      out.why = "the iterations diverged";
      return out;
    }
    if (res <= ctl.tolerance) {
      out.converged = true;
      return out;
    }
    // Stagnation: no clear progress over many iterations. Points that switch
    // between the elastic and the plastic path from one iteration to the
    // next make the out-of-balance force jump by amounts that shrink with
    // the increment: a smaller increment is then the way on.
    if (res < 0.9 * best) {
      best = res;
      best_at = k;
    } else if (k - best_at >= kStagnation) {
      out.why = message("no progress in ", kStagnation, " iterations (residual ", res);
      return out;
    }
    if (k < ctl.max_iterations) {
      try {
        c.tangent.next_iteration(c.system, c.state);
      } catch (const SolverError& e) {
        out.why = e.what();
        return out;
      }
    }
  }
  out.why = message("no convergence in ", ctl.max_iterations, " iterations (residual ", res);
  return out;
}

}  // namespace th10run
