// th10run: the strength reduction search of a safety phase.
#include "strength_reduction.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "output/srf_curve.h"
#include "timing.h"

namespace th10run {
namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;
// Steps in a row that converge easily (in a quarter of the iteration limit)
// before the SRF step doubles again.
constexpr int kEasyStepsToGrow = 2;

// The angle whose tangent is tan(degrees) / srf, in degrees.
double reduced_angle(double degrees, double srf) {
  return std::atan(std::tan(degrees * kRadiansPerDegree) / srf) / kRadiansPerDegree;
}

// The materials whose strength the phase reduces, as indices: the named
// ones, or all.
std::vector<int> reduced_materials(const std::vector<MaterialInput>& materials, const SafetyInput& s) {
  std::vector<int> out;
  for (size_t k = 0; k < materials.size(); ++k)
    if (s.materials.empty() ||
        std::find(s.materials.begin(), s.materials.end(), materials[k].name) != s.materials.end())
      out.push_back(static_cast<int>(k));
  return out;
}

// The displacement fields a safety step adds to the VTU: since the start of
// the phase, and over the step (near failure: the mechanism).
std::vector<PointField> safety_fields(const std::vector<double>& U, const std::vector<double>& U_start,
                                      const std::vector<double>& step) {
  PointField total{"srf_displacement", 3, U};
  for (size_t i = 0; i < U.size(); ++i) total.values[i] -= U_start[i];
  return {total, PointField{"mechanism", 3, step}};
}

}  // namespace

MaterialInput reduced_strength(const MaterialInput& m, double srf, bool reduce_dilatancy) {
  MaterialInput r = m;
  r.c = m.c / srf;
  r.phi = reduced_angle(m.phi, srf);
  r.psi = reduce_dilatancy ? reduced_angle(m.psi, srf) : std::min(m.psi, r.phi);
  r.tensile_strength = m.tensile_strength / srf;
  return r;
}

std::vector<int> control_nodes(const Model& m, const PhaseInput& ph, const std::vector<Monitor>& monitors) {
  const SafetyInput& s = ph.safety;
  if (s.at_point) {
    int best = 0;
    double nearest = HUGE_VAL;
    for (int i = 0; i < m.nNodes(); ++i) {
      const double d[3] = {m.nodes[i].x - s.point[0], m.nodes[i].y - s.point[1], m.nodes[i].z - s.point[2]};
      const double d2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
      if (d2 < nearest) {
        nearest = d2;
        best = i;
      }
    }
    return {best};
  }
  for (const Monitor& mon : monitors)
    if (s.monitor.empty() || mon.name == s.monitor) return mon.nodes;
  if (s.monitor.empty())
    throw ModelError(ph.where + ": the safety phase " + ph.name +
                     " needs a control point for its curve: point = [x, y, z] or monitor = \"name\"");
  throw ModelError(ph.where + ": the safety phase " + ph.name + " follows the monitor \"" + s.monitor +
                   "\", which no prescribed displacement or pressure is called");
}

void run_safety_phase(const StepsInput& st, const SafetyInput& s, const OutputInput& o,
                      const std::vector<int>& control, PhaseRun& run, AnalysisResult& total) {
  const auto start = Clock::now();
  ElementState& state = run.state;
  Equilibrium& eq = run.eq;
  const std::vector<MaterialInput> full = state.materials();
  const std::vector<int> reduced = reduced_materials(full, s);
  const auto reduce_by = [&](double srf) {
    for (int k : reduced) state.set_material_constants(k, reduced_strength(full[k], srf, s.reduce_dilatancy));
  };
  TangentPolicy tangent(st.stiffness, st.integration);
  Broyden broyden;
  IterationControl ctl = iteration_control(st);
  if (s.max_iterations > 0) ctl.max_iterations = s.max_iterations;
  eq.r.assign(run.boundary.con.nFree, 0.0);
  total.phase = run.number;
  total.completed = false;
  SafetyResult& result = total.safety;
  result = SafetyResult{};
  result.searched = true;
  std::unique_ptr<SrfCurveFile> curve;
  if (o.csv && state.model().part.ranks->root())  // the curve is the same on every rank
    curve = std::make_unique<SrfCurveFile>(o.name + "_srf.csv", control);
  tangent.start_analysis(run.system, state);
  const IterationContext context{eq, state, run.system, tangent, broyden, run.boundary, run.progress};
  const std::vector<double> U_start = eq.Uc;

  // The loads stay where the phase before left them (load factor 1 of this
  // phase, which adds none). The first step keeps the full strength: the
  // committed state must be in equilibrium with it. Then SRF goes up by
  // steps of d from the last SRF that converged: a step that does not
  // converge is undone and halved; two in a row that converge easily let d
  // grow back (up to the first step). The search ends when a step of at most the
  // tolerance fails: the bracket is that step.
  double srf = 1.0, d = s.step;
  int easy = 0;  // steps in a row that converged easily since the last change of d
  bool first = true;
  for (;;) {
    reduce_by(srf);
    const auto t0 = Clock::now();
    const IterationOutcome it = iterate_increment(ctl, 1.0, srf - result.converged, context);
    total.iterations += it.iterations;
    if (it.converged) {
      commit_increment(run, srf - result.converged);
      if (first) eq.last_step.clear();  // no SRF step to extrapolate from yet
      result.converged = srf;
      ++total.steps;
      total.residuals.push_back(it.history);
      // Every converged step is written, with the displacements of the phase
      // and of the step.
      const auto t1 = Clock::now();
      run.out.set_point_fields(
          safety_fields(eq.U, U_start, first ? std::vector<double>(eq.U.size()) : eq.last_step));
      run.out.write(StepInfo{total.steps, run.number, srf, it.iterations, it.residual}, eq.U, eq.F,
                    state.plastic_forces(), true);
      if (curve) curve->write(total.steps, srf, it.iterations, eq.U);
      total.times.output += since(t1);
      run.progress.line("  step %4d  SRF %.4f  iterations %3d  residual %.2e  time %.2f s\n", total.steps,
                        srf, it.iterations, it.residual, since(t0));
      if (srf >= s.max_factor) {  // no failure up to there
        result.failed = HUGE_VAL;
        break;
      }
      easy = converged_easily(it.iterations, ctl.max_iterations) ? easy + 1 : 0;
      if (easy >= kEasyStepsToGrow) {
        d = std::min(2.0 * d, s.step);
        easy = 0;
      }
    } else {
      undo_increment(run);
      if (first) {
        total.message = "at full strength (SRF 1) the iterations do not converge: " + it.why +
                        "; the factor of safety is below 1, or the phase before did not end in equilibrium";
        result.failed = 1.0;
        run.progress.line("%s\n", total.message.c_str());
        end_phase(run, false, srf, since(start), total);
        return;
      }
      result.failed = srf;
      ++total.cuts;
      run.progress.line("  SRF %.4f from %.4f: %s\n", srf, result.converged, it.why.c_str());
      if (d <= s.tolerance) break;
      d *= 0.5;
      easy = 0;
    }
    first = false;
    srf = std::min(result.converged + d, s.max_factor);
  }
  // The records hold the state of the last SRF that converged.
  reduce_by(result.converged);
  run.progress.clear();
  end_phase(run, true, result.converged, since(start), total);
}

}  // namespace th10run
