// th10run: the incremental, iterative elasto-plastic analysis.
//
//   for each load increment (load factor lambda0 -> lambda1):
//     iterate        the equilibrium iteration (iteration.h) with the matrix
//                    of the tangent policy (tangent.h)
//     commit         update_Strain_Stress, then update_Phi_F_D at the new stress
//     results        the result files of the committed state
//
// An increment that does not converge is cut in half and retried from the
// committed state; after too many cuts the analysis stops.
#ifndef TH10RUN_ANALYSIS_ANALYSIS_H
#define TH10RUN_ANALYSIS_ANALYSIS_H

#include <string>

#include "boundary.h"
#include "element_state.h"
#include "input/problem.h"
#include "output/result_writer.h"
#include "system/linear_system.h"

namespace th10run {

// Seconds spent per kind of work over the whole analysis.
struct AnalysisTimes {
  ElementTimes elements;  // the library's stress integration, forces, commit
  SystemTimes system;     // make_ke, assembly, factorisation, solution
  double output = 0.0;
  double total = 0.0;
};

struct AnalysisResult {
  bool completed = false;  // reached load factor 1
  std::string message;     // why it stopped early
  double load = 0.0;       // last committed load factor
  int steps = 0;           // committed increments
  int cuts = 0;            // halvings in all
  int iterations = 0;      // equilibrium iterations in all, cut attempts included
  std::string method;      // solution method of the last factorisation
  AnalysisTimes times;
};

struct AnalysisOptions {
  bool quiet = false;    // no progress lines
  bool verbose = false;  // a line per iteration too
};

// Runs the load stepping from the set-up state to load factor 1, writing the
// results of every committed increment through the writer.
AnalysisResult run_analysis(const StepsInput& steps, ElementState& state, const Boundary& b,
                            LinearSystem& system, ResultWriter& out, const AnalysisOptions& opt);

}  // namespace th10run

#endif
