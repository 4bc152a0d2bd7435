// th10run: one analysis from a problem to its results, the spine of the
// program: model, boundary conditions, linear system, output, analysis.
#ifndef TH10RUN_SIMULATION_H
#define TH10RUN_SIMULATION_H

#include <memory>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "boundary.h"
#include "input/problem.h"
#include "model.h"
#include "parallel/ranks.h"

namespace th10run {

struct RunOptions {
  bool quiet = false;    // no progress lines
  bool verbose = false;  // the residual of every iteration too
  bool check = false;    // build the model and the boundary conditions, run nothing
  bool resume = false;   // go on from the last checkpoint, if there is one
  int threads = 0;       // of the element loops and the BLAS; 0: as the problem says
  std::string scripts;   // folder of the picture scripts; empty: no pictures
  std::shared_ptr<const Ranks> ranks = single_rank();  // the processes the analysis runs on
};

// A problem and what became of it. The records hold the last committed state.
struct Simulation {
  Problem problem;
  Model model;
  Boundary boundary;
  AnalysisResult result;
  std::vector<std::string> pictures;  // the PNG files drawn
};

// Runs a problem in the working directory: builds the model (mesh, Gauss
// points, material state), the supports and loads, the linear system the
// problem's solver settings choose and the result files, then the analysis.
// Over several ranks, each rank does all of this for its part of the mesh.
// Prints what it builds and how the time went (unless quiet). Throws
// ProblemError or ModelError for bad input, SolverError for a body that the
// supports do not hold, std::runtime_error for files that cannot be written.
std::unique_ptr<Simulation> run_problem(const Problem& p, const RunOptions& o);

}  // namespace th10run

#endif
