// th10run: the incremental, iterative elasto-plastic analysis of one phase.
//
//   for each load increment (load factor lambda0 -> lambda1 of the phase):
//     iterate        the equilibrium iteration (iteration.h) with the matrix
//                    of the tangent policy (tangent.h)
//     commit         update_Strain_Stress, then update_Phi_F_D at the new stress
//     results        the result files of the committed state
//     checkpoint     every n-th committed state, to resume from
//
// An increment that does not converge is cut in half and retried from the
// committed state; after too many cuts the analysis stops.
#ifndef TH10RUN_ANALYSIS_ANALYSIS_H
#define TH10RUN_ANALYSIS_ANALYSIS_H

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "boundary.h"
#include "element_state.h"
#include "input/problem.h"
#include "iteration.h"
#include "output/result_writer.h"
#include "progress.h"
#include "system/linear_system.h"

namespace th10run {

// Seconds spent per kind of work over the whole analysis.
struct AnalysisTimes {
  ElementTimes elements;  // the library's stress integration, forces, commit
  SystemTimes system;     // make_ke, assembly, factorisation, solution
  double output = 0.0;
  double total = 0.0;
};

// The outcome of a safety phase: the factor of safety lies between the
// largest strength reduction factor that converged and the SRF of the last
// step from there, within the tolerance, that did not.
struct SafetyResult {
  bool searched = false;     // a safety phase ran
  double converged = 1.0;    // the largest SRF that converged
  double failed = HUGE_VAL;  // the SRF that did not; HUGE_VAL: no failure up to the phase's max_factor
  double factor() const { return 0.5 * (converged + failed); }
};

struct AnalysisResult {
  bool completed = false;                      // every phase reached its load factor 1
  std::string message;                         // why it stopped early
  int phase = 0;                               // last phase run (1-based)
  double load = 0.0;                           // last committed load factor of that phase
  int steps = 0;                               // committed increments, all phases
  int cuts = 0;                                // halvings in all
  int iterations = 0;                          // equilibrium iterations in all, cut attempts included
  std::string method;                          // solution method of the last factorisation
  std::vector<std::vector<double>> residuals;  // per committed increment: the residual of each iteration
  SafetyResult safety;
  AnalysisTimes times;
};

// Where the load stepping of a phase stands after a committed increment:
// all it needs to go on from there.
struct PhasePosition {
  int increment = 1;    // the increment worked towards (1-based)
  double lambda = 0.0;  // committed load factor of the phase
  double dl = 0.0;      // the load step of the next attempt; 0: a whole increment
  int cuts = 0;         // halvings within this increment so far
};

class Checkpoint;

// One phase: its number (1-based) and increments, and what it works on.
struct PhaseRun {
  int number = 1;
  int increments = 10;
  ElementState& state;
  const Boundary& boundary;
  LinearSystem& system;
  Equilibrium& eq;  // carries the displacements and forces from phase to phase
  ResultWriter& out;
  Progress& progress;
  PhasePosition start = {};          // from a checkpoint, or the phase's start
  Checkpoint* checkpoint = nullptr;  // told of every committed increment, if any
};

// The iteration settings of the [steps] table.
IterationControl iteration_control(const StepsInput& steps);
// An increment that converged in at most a quarter of the iterations allowed
// (at least 2) converged easily: the load step may grow again after it.
inline bool converged_easily(int iterations, int max_iterations) {
  return iterations <= std::max(2, max_iterations / 4);
}
// An increment that converged: the state committed, its displacement change
// (of load step dl) kept for the predictor.
void commit_increment(PhaseRun& run, double dl);
// An increment that did not: back to the committed state.
void undo_increment(PhaseRun& run);
// How a phase ended, and its times added to the total.
void end_phase(const PhaseRun& run, bool completed, double lambda, double seconds, AnalysisResult& total);

// Runs the load stepping of a phase from its committed start to load factor
// 1, writing the results of every committed increment, and adds its tally
// to `total` (completed, message, load and method say how the phase ended).
void run_phase(const StepsInput& steps, PhaseRun& run, AnalysisResult& total);

}  // namespace th10run

#endif
