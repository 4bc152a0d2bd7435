// th10run: the incremental, iterative elasto-plastic analysis.
#ifndef TH10RUN_ANALYSIS_H
#define TH10RUN_ANALYSIS_H

#include <string>
#include <vector>

#include "boundary.h"
#include "model.h"
#include "output.h"
#include "problem.h"
#include "solver.h"

namespace th10run {

// Seconds spent per kind of work over the whole analysis.
struct AnalysisTimes {
  double stresses = 0.0;  // dU_Eps_Sig_RK4
  double forces = 0.0;    // make_Fint
  double state = 0.0;     // update_Strain_Stress, update_Phi_F_D
  double output = 0.0;
  double total = 0.0;
  SolverTimes solver;  // make_K / make_ke, assembly, factorisation, solution
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
AnalysisResult run_analysis(const Problem& p, Model& m, const Boundary& b, LinearSolver& solver,
                            ResultWriter& out, const AnalysisOptions& opt);

}  // namespace th10run

#endif
