// th10run: the factor of safety by strength reduction. From the committed
// state of the phase before, with its loads held, the strength of the
// chosen materials is divided by a factor SRF:
//
//   c / SRF,  tan(phi) / SRF,  tensile strength / SRF,
//   psi: reduced alike, or kept at min(psi, reduced phi)
//
// and SRF is raised step by step. Each SRF step is an increment whose
// equilibrium iteration must converge from the committed state within the
// iteration limit; a step that does not is undone and halved, and tried
// again from the last SRF that converged. The body has failed when a step
// no larger than the tolerance does not converge: the factor of safety lies
// between the last SRF that converged and that one.
#ifndef TH10RUN_ANALYSIS_STRENGTH_REDUCTION_H
#define TH10RUN_ANALYSIS_STRENGTH_REDUCTION_H

#include <vector>

#include "analysis.h"
#include "boundary.h"
#include "input/problem.h"
#include "model.h"

namespace th10run {

// The material with its strength divided by srf.
MaterialInput reduced_strength(const MaterialInput& m, double srf, bool reduce_dilatancy);

// The nodes whose mean displacement the SRF curve of a safety phase
// follows: the node nearest to its point, or the named monitor's nodes, or
// the first monitor's. Throws ModelError when the monitor is unknown or
// there is none.
std::vector<int> control_nodes(const Model& m, const PhaseInput& ph, const std::vector<Monitor>& monitors);

// Runs a safety phase: SRF steps from 1 until a step within the tolerance
// fails (or SRF reaches max_factor), writing the results of every
// converged step (the load factor of a row is its SRF) and its row of the
// SRF-displacement curve <name>_srf.csv, and the bracket in total.safety.
void run_safety_phase(const StepsInput& steps, const SafetyInput& s, const OutputInput& o,
                      const std::vector<int>& control, PhaseRun& run, AnalysisResult& total);

}  // namespace th10run

#endif
