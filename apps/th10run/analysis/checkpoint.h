// th10run: checkpoints of a running analysis, and its resumption from the
// last one. After every n-th committed increment (and the last of each
// phase) everything the analysis needs to go on is written to one file in
// the output folder, under a temporary name renamed over the last
// checkpoint: a kill at any moment leaves the last complete one. It holds
//   the problem's fingerprint  its file's contents, the mesh's size and the
//                              thread count (sums follow the threads' split)
//   the analysis position      phase, increment, load factor, load step and
//                              cuts; the steps, cuts and iterations so far
//   the Gauss-point state      every field but the geometry (rebuilt by
//                              make_GP_J_B) and the matrices De, Dp, Dep
//                              (rebuilt by update_Phi_F_D at the stress)
//   the groups                 active or not, material, the elastic switch,
//                              the yielded flags
//   the node vectors           committed displacements and forces, the
//                              predictor's last step
//   the phase's loads          F0 and Fref, and what carries to the next phase
//   the result files           the PVD list, the CSV rows, the length of the
//                              GiD result file
//   the solver                 whether Cholesky is still tried on tangents
// A resumed analysis goes on bitwise as the uninterrupted one.
#ifndef TH10RUN_ANALYSIS_CHECKPOINT_H
#define TH10RUN_ANALYSIS_CHECKPOINT_H

#include <string>
#include <vector>

#include "analysis.h"
#include "phases.h"

namespace th10run {

// What a checkpoint gives back besides the element state, the node vectors
// and the carry, which it restores in place.
struct Resumed {
  int phase = 0;  // 0-based
  PhasePosition at;
  int steps = 0, cuts = 0, iterations = 0;
  std::vector<double> F0, Fref;
  bool tangent_cholesky = true;
  ResultWriter::Saved out;
};

class Checkpoint {
 public:
  // file: where the checkpoint goes; every: after every n-th committed
  // increment (0: never); fingerprint: what ties it to its problem.
  Checkpoint(std::string file, int every, std::string fingerprint, const PhaseCarry& carry);

  // After a committed increment of a phase, with its results written:
  // writes the checkpoint when the step is an n-th one or the phase's last.
  void committed(const PhaseRun& run, const PhasePosition& at, const AnalysisResult& total);

 private:
  std::string file_;
  int every_;
  std::string fingerprint_;
  const PhaseCarry& carry_;
};

// The fingerprint of a problem run on a model with the given thread count.
std::string problem_fingerprint(const Problem& p, const Model& m, int threads);

// Reads a checkpoint written for the same fingerprint into the state (on a
// freshly built model), the node vectors and the carry, and returns the
// rest. Throws ProblemError naming the file and what is wrong.
Resumed read_checkpoint(const std::string& file, const std::string& fingerprint, ElementState& state,
                        Equilibrium& eq, PhaseCarry& carry);

}  // namespace th10run

#endif
