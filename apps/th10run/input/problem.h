// th10run: the problem description read from a TOML file.
//
// Every field has a default (listed in the README and next to
// each field below). Units are the user's own, as long as they are consistent
// (for instance kN, m, kPa). Stresses are tension-positive; pressures are
// positive when they push on a face.
#ifndef TH10RUN_INPUT_PROBLEM_H
#define TH10RUN_INPUT_PROBLEM_H

#include <cmath>
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

enum class MeshKind { Box, Gid, Gmsh };

struct MeshInput {
  MeshKind kind = MeshKind::Box;  // type = "box" (default), "gid" or "gmsh"
  std::string gid_name;           // gid: file name without "_ascii.msh", made absolute
  std::string gmsh_file;          // gmsh: the .msh file (format 4.1), made absolute
  double origin[3] = {0, 0, 0};   // box: lowest corner, default 0, 0, 0
  double size[3] = {1, 1, 1};     // box: edge lengths, default 1, 1, 1
  int cells[3] = {2, 2, 2};       // box: hexahedral cells per axis (6 tetrahedra each), default 2, 2, 2
  double grading[3] = {1, 1, 1};  // box: last cell over first cell along each axis, default 1
};

// A group of elements chosen by a box: those whose centroid lies in it.
// (A gmsh mesh's physical volumes are groups by their names too.)
struct GroupInput {
  std::string where;  // "file:line" of the table, for messages
  std::string name;
  Box box;
};

struct MaterialInput {
  std::string where;
  std::string name;                 // default: material1, material2, ...
  std::vector<std::string> groups;  // the element groups it fills; none: every element no other material has
  double E = 1.0e5;                 // Young's modulus
  double nu = 0.3;                  // Poisson's ratio
  double c = 10.0;                  // cohesion
  double phi = 30.0;                // friction angle, degrees
  double psi = 0.0;                 // dilatancy angle, degrees (used when not associated)
  bool associated = false;          // true: psi follows the friction angle
  double tensile_strength = HUGE_VAL;  // largest principal stress allowed ("return" only); none by default
  double unit_weight = 0.0;            // weight per volume, acting in -z when gravity is on
  double K0 = -1.0;  // horizontal over vertical stress of the K0 procedure; < 0: 1 - sin(phi)
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

// Where a boundary condition acts: the nodes (faces) in a box, or the faces
// of a gmsh physical surface.
struct Place {
  std::string group;  // physical surface name; empty: the box
  Box box;
};

struct SupportInput {
  std::string where;  // "file:line" of the table, for messages
  Place at;
  bool fix[3] = {false, false, false};
};

struct DisplacementInput {
  std::string where;
  std::string name;
  Place at;
  bool on[3] = {false, false, false};  // which components are prescribed
  LinearValue value[3];                // displacement at the end of its phase (from the phase's start)
};

struct PressureInput {
  std::string where;
  std::string name;
  Place at;
  double p = 0.0;  // pressure at the end of its phase, positive pushing on the face
};

enum class Stiffness { Elastic, Tangent, Newton };
enum class Integration { Return, Basic, Mobilised, PlasticForces };
enum class Acceleration { None, Broyden };

struct StepsInput {
  int increments = 10;      // equal load increments from 0 to 1 (of each phase, unless it says)
  int max_iterations = 30;  // equilibrium iterations before a cut
  double tolerance = 1e-6;  // relative out-of-balance force
  // "newton" with the return, "tangent" with the staged schemes, unless given.
  Stiffness stiffness = Stiffness::Newton;
  Integration integration = Integration::Return;
  Acceleration acceleration = Acceleration::None;  // of the iterations on a fixed matrix
  int max_cuts = 6;                                // halvings of one increment before giving up
};

enum class PhaseKind {
  Load,     // loads, excavation and construction applied over the increments
  K0,       // initial stresses of horizontal layers from their weight: K0 procedure
  Gravity,  // the weight switched on over the increments
  Safety,   // the strength reduced step by step until the body fails: the factor of safety
};

// The strength reduction of a safety phase: c / SRF, tan(phi) / SRF and the
// tensile strength / SRF, SRF raised from 1 until an SRF step does not
// converge, then bisected between the last SRF that converged and the first
// that did not until they lie within the tolerance.
struct SafetyInput {
  std::vector<std::string> materials;  // whose strength is reduced; none (default): every material
  bool reduce_dilatancy = false;  // "reduce": tan(psi) / SRF too; "keep" (default): min(psi, reduced phi)
  double step = 0.1;              // SRF step until the first failure, default 0.1
  double tolerance = 0.01;        // width of the final bracket, default 0.01
  double max_factor = 10.0;       // no failure up to this SRF: the search stops, default 10
  int max_iterations = 0;         // the iteration limit of a converged step; 0: the [steps] value
  bool at_point = false;          // the control point: the node nearest to point ...
  double point[3] = {0, 0, 0};
  std::string monitor;  // ... or a monitored node set; neither: the first monitor
};

// A material given to a group from a phase on.
struct MaterialChange {
  std::string group, material;
};

struct PhaseInput {
  std::string where;
  std::string name;  // default: phase1, phase2, ...
  PhaseKind kind = PhaseKind::Load;
  int increments = 0;    // 0: the [steps] value
  int gravity = -1;      // self-weight: 1 on, 0 off, -1 as before (on from a K0 or gravity phase)
  bool elastic = false;  // no yielding in this phase (gravity loading of a body that must stay elastic)
  bool reset_displacements = false;               // displacements reported from the start of this phase
  std::vector<std::string> deactivate, activate;  // element groups removed, built
  std::vector<MaterialChange> change;
  // Added in this phase and kept in the later ones: supports; pressures (at
  // their full value from the end of this phase on); prescribed
  // displacements (moved over this phase, then held).
  std::vector<SupportInput> supports;
  std::vector<DisplacementInput> displacements;
  std::vector<PressureInput> pressures;
  SafetyInput safety;  // a safety phase's settings
};

enum class SolverKind { Auto, Dense, Sparse, Petsc };
enum class SolverMethod { Direct, Iterative };

struct SolverInput {
  std::string where;                   // "file:line" of the table, for messages
  SolverKind kind = SolverKind::Auto;  // auto: dense or sparse on one process, petsc on several
  int dense_limit = 1500;              // auto: dense LAPACK up to this many nodes
  int threads = 0;  // of the element loops and the BLAS; 0: OMP_NUM_THREADS, else every core
  // petsc: a distributed direct solver (MUMPS), or a Krylov method (CG for
  // the elastic matrix, GMRES for tangents) with algebraic multigrid (GAMG).
  SolverMethod method = SolverMethod::Direct;
  double rtol = 1e-10;  // iterative: the linear residual relative to the right side
};

// How the pictures label the load-displacement curves: the force axis is
// the monitored force times force_scale (1 / the loaded area gives a
// pressure), with a horizontal reference line where one is given.
struct CurveLabels {
  std::string force;       // name of the force axis; none: the monitor and component
  std::string force_unit;  // units shown in brackets, none by default
  std::string length_unit;
  double force_scale = 1.0;
  double reference = NAN;  // none by default
  std::string reference_label = "closed form";
};

struct OutputInput {
  std::string folder;        // default: "<problem name>_results" in the working directory
  std::string name;          // file stem of the results, default: the problem name
  bool gid = true;           // GiD .post.msh / .post.res
  bool vtu = true;           // ParaView .vtu per increment and a .pvd
  bool csv = true;           // load-displacement curve
  bool dump = false;         // the library's TH10G15.TXT at the end
  int every = 1;             // write GiD and VTU results every n-th increment (and the last)
  int checkpoint_every = 1;  // write a checkpoint every n-th committed increment; 0: none
  // Nodal values in the VTU: the Gauss-point state extrapolated to each
  // element's nodes and averaged at shared nodes over all elements, or
  // within each material only (averaging = "material": the VTU then has
  // one point per node and material, so that jumps between materials show).
  bool by_material = false;
  // PNG pictures of the curves (and, where VTK renders off-screen, of the
  // mesh): 1 on (fails when python3-matplotlib is missing), 0 off, -1
  // (default) on when python3-matplotlib is there.
  int plots = -1;
  CurveLabels labels;
};

struct Problem {
  std::string file;   // path of the problem file
  std::string title;  // default: the problem file's stem
  MeshInput mesh;
  std::vector<GroupInput> groups;
  std::vector<MaterialInput> materials;  // at least one
  InitialStressInput initial;
  std::vector<SupportInput> supports;  // in every phase
  // A problem without [[phase]] tables is one load phase with these loads.
  std::vector<PhaseInput> phases;  // at least one
  StepsInput steps;
  SolverInput solver;
  OutputInput output;
};

// Reads and checks a problem file. Throws ProblemError on any wrong, missing
// or unknown field; nothing is run before the whole file has been accepted.
Problem read_problem(const std::string& path);
// The word that names an integration scheme in the problem file.
const char* integration_name(Integration i);

// The same from a string (the file name is used in messages and to resolve
// relative mesh paths).
Problem parse_problem(const std::string& text, const std::string& path);

}  // namespace th10run

#endif
