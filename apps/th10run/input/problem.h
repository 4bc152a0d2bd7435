// th10run: the problem description read from a TOML file.
//
// Every field has a default (listed in the README and next to
// each field below). Units are the user's own, as long as they are consistent
// (for instance kN, m, kPa). Stresses are tension-positive; pressures are
// positive when they push on a face.
#ifndef TH10RUN_INPUT_PROBLEM_H
#define TH10RUN_INPUT_PROBLEM_H

#include <stdexcept>
#include <string>
#include <vector>

namespace th10run {

// An error in the problem file: the message names the file, the line and the field.
class ProblemError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An axis-aligned box that selects the nodes lying in it (faces: all 6 nodes).
struct Box {
  double lo[3] = {0, 0, 0};
  double hi[3] = {0, 0, 0};
};

enum class MeshKind { Box, Gid };

struct MeshInput {
  MeshKind kind = MeshKind::Box;  // type = "box" (default) or "gid"
  std::string gid_name;           // gid: file name without "_ascii.msh", made absolute
  double origin[3] = {0, 0, 0};   // box: lowest corner, default 0, 0, 0
  double size[3] = {1, 1, 1};     // box: edge lengths, default 1, 1, 1
  int cells[3] = {2, 2, 2};       // box: hexahedral cells per axis (6 tetrahedra each), default 2, 2, 2
  double grading[3] = {1, 1, 1};  // box: last cell over first cell along each axis, default 1
};

struct MaterialInput {
  double E = 1.0e5;         // Young's modulus
  double nu = 0.3;          // Poisson's ratio
  double c = 10.0;          // cohesion
  double phi = 30.0;        // lower bound of the friction angle, degrees
  double psi = 0.0;         // dilatancy angle, degrees (used when not associated)
  bool associated = false;  // true: psi follows the friction angle
};

enum class InitialStressKind { None, Uniform, Geostatic };

struct InitialStressInput {
  InitialStressKind kind = InitialStressKind::None;
  double stress[6] = {0, 0, 0, 0, 0, 0};  // uniform: x, y, z, xy, yz, zx
  double unit_weight = 0.0;               // geostatic: weight per volume, z is up
  double K0 = 1.0;                        // geostatic: horizontal over vertical stress
  double surface = 0.0;                   // geostatic: z of the ground surface
};

// A value that varies linearly over the node coordinates: a + g . (x, y, z).
struct LinearValue {
  double a = 0.0;
  double g[3] = {0, 0, 0};
  double at(const double* xyz) const { return a + g[0] * xyz[0] + g[1] * xyz[1] + g[2] * xyz[2]; }
};

struct SupportInput {
  std::string where;  // "file:line" of the table, for messages
  Box box;
  bool fix[3] = {false, false, false};
};

struct DisplacementInput {
  std::string where;
  std::string name;
  Box box;
  bool on[3] = {false, false, false};  // which components are prescribed
  LinearValue value[3];                // displacement at load factor 1
};

struct PressureInput {
  std::string where;
  std::string name;
  Box box;
  double p = 0.0;  // pressure at load factor 1, positive pushing on the face
};

enum class Stiffness { Elastic, Tangent, Newton };
enum class Integration { Basic, Mobilised, PlasticForces };
enum class Acceleration { None, Broyden };

struct StepsInput {
  int increments = 10;      // equal load increments from 0 to 1
  int max_iterations = 30;  // equilibrium iterations before a cut
  double tolerance = 1e-6;  // relative out-of-balance force
  Stiffness stiffness = Stiffness::Tangent;
  Integration integration = Integration::Basic;
  Acceleration acceleration = Acceleration::None;  // of the iterations on a fixed matrix
  int max_cuts = 6;                                // halvings of one increment before giving up
};

enum class SolverKind { Auto, Dense, Sparse };

struct SolverInput {
  SolverKind kind = SolverKind::Auto;
  int dense_limit = 1500;  // auto: dense LAPACK up to this many nodes
};

struct OutputInput {
  std::string folder;  // default: "<problem name>_results" in the working directory
  std::string name;    // file stem of the results, default: the problem name
  bool gid = true;     // GiD .post.msh / .post.res
  bool vtu = true;     // ParaView .vtu per increment and a .pvd
  bool csv = true;     // load-displacement curve
  bool dump = false;   // the library's TH10G15.TXT at the end
  int every = 1;       // write GiD and VTU results every n-th increment (and the last)
};

struct Problem {
  std::string file;   // path of the problem file
  std::string title;  // default: the problem file's stem
  MeshInput mesh;
  MaterialInput material;
  InitialStressInput initial;
  std::vector<SupportInput> supports;
  std::vector<DisplacementInput> displacements;
  std::vector<PressureInput> pressures;
  StepsInput steps;
  SolverInput solver;
  OutputInput output;
};

// Reads and checks a problem file. Throws ProblemError on any wrong, missing
// or unknown field; nothing is run before the whole file has been accepted.
Problem read_problem(const std::string& path);

// The same from a string (the file name is used in messages and to resolve
// relative mesh paths).
Problem parse_problem(const std::string& text, const std::string& path);

}  // namespace th10run

#endif
