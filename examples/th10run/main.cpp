// th10run: an incremental, iterative elasto-plastic analysis with the th10fem
// library, written as a worked example of a host program.
//
//   th10run [problem.toml] [--output FOLDER] [--quiet] [--verbose] [--check]
//
// Without a problem file it runs the built-in sample: a smooth strip footing
// on weightless cohesive-frictional soil, loaded by settlement to failure.
// Exit codes: 0 done, 1 the analysis stopped early, 2 bad input, 3 other error.
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "analysis.h"
#include "boundary.h"
#include "model.h"
#include "output.h"
#include "problem.h"
#include "solver.h"

#ifndef TH10RUN_SAMPLE
#define TH10RUN_SAMPLE "examples/footing/footing.toml"
#endif

namespace fs = std::filesystem;
using namespace th10run;

namespace {

struct Args {
  std::string problem;
  std::string output;
  bool quiet = false;
  bool verbose = false;
  bool check = false;
};

void usage(std::FILE* f) {
  std::fprintf(f,
               "usage: th10run [problem.toml] [--output FOLDER] [--quiet] [--verbose] [--check]\n"
               "  without a problem file: the built-in strip-footing sample (%s)\n"
               "  --output FOLDER  where the results go (default: output.folder of the problem,\n"
               "                   or <problem name>_results in the working directory)\n"
               "  --quiet          no progress lines\n"
               "  --verbose        the residual of every iteration as well\n"
               "  --check          read and check the problem file and the mesh, run nothing\n",
               TH10RUN_SAMPLE);
}

bool parse_args(int argc, char** argv, Args& a) {
  for (int i = 1; i < argc; ++i) {
    const std::string s = argv[i];
    if (s == "--output" && i + 1 < argc) {
      a.output = argv[++i];
    } else if (s == "--quiet") {
      a.quiet = true;
    } else if (s == "--verbose") {
      a.verbose = true;
    } else if (s == "--check") {
      a.check = true;
    } else if (s == "--help" || s == "-h") {
      usage(stdout);
      std::exit(0);
    } else if (!s.empty() && s[0] != '-' && a.problem.empty()) {
      a.problem = s;
    } else {
      std::fprintf(stderr, "th10run: unexpected argument '%s'\n", s.c_str());
      usage(stderr);
      return false;
    }
  }
  return true;
}

// A temporary working directory for --check, removed on the way out.
class CheckFolder {
 public:
  CheckFolder() = default;
  CheckFolder(const CheckFolder&) = delete;
  CheckFolder& operator=(const CheckFolder&) = delete;
  void enter() {
    std::string tmpl = (fs::temp_directory_path() / "th10run-check-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("cannot create a scratch folder");
    previous_ = fs::current_path();
    path_ = tmpl;
    fs::current_path(path_);
  }
  ~CheckFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::remove_all(path_, ec);
  }

 private:
  fs::path previous_, path_;
};

const char* solver_name(SolverKind k) {
  return k == SolverKind::Dense ? "dense" : "sparse";
}

void print_times(const AnalysisResult& r) {
  const AnalysisTimes& t = r.times;
  const double library = t.solver.stiffness + t.stresses + t.forces + t.state;
  std::printf(
      "*** time %.2f s: library %.2f s (stiffness %.2f, stresses %.2f, internal forces %.2f, commit %.2f),"
      " assembly %.2f s, factorisation %.2f s, solution %.2f s, output %.2f s\n",
      t.total, library, t.solver.stiffness, t.stresses, t.forces, t.state, t.solver.assembly, t.solver.factor,
      t.solver.solve, t.output);
}

int run(const Args& args) {
  // 1. The problem: every field checked before anything runs.
  Problem p = read_problem(args.problem);
  if (!args.output.empty()) p.output.folder = args.output;
  if (p.mesh.kind == MeshKind::Gid) p.mesh.gid_name = fs::absolute(p.mesh.gid_name).string();
  std::printf("*** th10run: %s (%s)\n", p.title.c_str(), p.file.c_str());

  // 2. The output folder becomes the working directory: the library's file
  //    routines write fixed names ("gid_mesh.txt", "TH10G15.TXT") there.
  fs::path folder = fs::absolute(p.output.folder);
  //    A check runs in a scratch folder, so that it leaves nothing behind.
  CheckFolder scratch;
  if (args.check) {
    scratch.enter();
  } else {
    fs::create_directories(folder);
    fs::current_path(folder);
  }

  // 3. The mesh: node and element records (box or GiD file), DoF numbering,
  //    element coordinates, then Gauss points, Jacobians and B matrices.
  Model m = build_model(p.mesh);
  std::printf("*** mesh: %d nodes, %d elements, %d degrees of freedom\n", m.nNodes(), m.nElements(),
              m.nDofs());

  // 4. Supports and loads: constrained dofs, prescribed displacements and the
  //    consistent nodal forces of the pressures.
  Boundary b = build_boundary(m, p);
  if (b.nUnusedNodes > 0)
    std::printf("*** %d nodes belong to no element and are held fixed\n", b.nUnusedNodes);
  std::printf("*** %d free and %d prescribed degrees of freedom\n", b.con.nFree, b.con.nPrescribed);
  if (args.check) {
    std::printf("*** the problem is valid; nothing was run (--check)\n");
    return 0;
  }

  // 5. Material state: E, nu, G, c and the initial stress in every Gauss
  //    point, then Phi, Psi, F, De, Dp, Dep at that stress.
  set_up_material(m, p.material, p.initial);

  // 6. The solver: dense LAPACK on the library's global matrix for small
  //    meshes, sparse CHOLMOD/UMFPACK on element matrices for larger ones.
  SolverKind kind = p.solver.kind;
  if (kind == SolverKind::Auto)
    kind = m.nNodes() <= p.solver.dense_limit ? SolverKind::Dense : SolverKind::Sparse;
  const bool assoc = p.material.associated;
  auto solver =
      kind == SolverKind::Dense ? make_dense_solver(m, b.con, assoc) : make_sparse_solver(m, b.con, assoc);
  std::printf("*** solver: %s, %s stiffness\n", solver_name(kind),
              p.steps.stiffness == Stiffness::Elastic   ? "elastic"
              : p.steps.stiffness == Stiffness::Tangent ? "tangent"
                                                        : "Newton (current tangent)");

  // 7. Output headers (GiD mesh and result heads, CSV columns), then the
  //    load stepping, which writes every committed increment.
  ResultWriter out(p, m, b);
  std::fflush(stdout);
  AnalysisOptions opt;
  opt.quiet = args.quiet;
  opt.verbose = args.verbose;
  const AnalysisResult r = run_analysis(p, m, b, *solver, out, opt);

  // 8. Where the results are and how to look at them.
  std::printf("*** %s: %d increments, %d iterations, %d cuts, load factor %.4g, %s\n",
              r.completed ? "done" : "stopped early", r.steps, r.iterations, r.cuts, r.load,
              r.method.c_str());
  print_times(r);
  std::printf("*** results in %s\n", folder.string().c_str());
  if (p.output.vtu)
    std::printf("    ParaView: open %s.pvd (or a single %s_NNNN.vtu)\n", p.output.name.c_str(),
                p.output.name.c_str());
  if (p.output.gid)
    std::printf("    GiD post-processing: open %s.post.res (mesh in %s.post.msh)\n", p.output.name.c_str(),
                p.output.name.c_str());
  if (p.output.csv) std::printf("    load-displacement curve: %s.csv\n", p.output.name.c_str());
  if (!r.completed) {
    std::fprintf(stderr, "th10run: %s\n", r.message.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Args args;
  if (!parse_args(argc, argv, args)) return 2;
  if (args.problem.empty()) {
    args.problem = TH10RUN_SAMPLE;
    std::printf("*** no problem file given: running the built-in sample\n");
  }
  try {
    return run(args);
  } catch (const ProblemError& e) {
    std::fprintf(stderr, "th10run: %s\n", e.what());
    return 2;
  } catch (const ModelError& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "th10run: %s\n", e.what());
    return 2;
  } catch (const SolverError& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "th10run: %s: the supports may not hold the body against rigid-body motion\n",
                 e.what());
    return 2;
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fprintf(stderr, "th10run: out of memory (the mesh is too large for this machine)\n");
    return 3;
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "th10run: %s\n", e.what());
    return 3;
  }
}
