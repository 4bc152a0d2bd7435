// th10run: an incremental, iterative elasto-plastic analysis with the th10fem
// library, from a problem file in TOML to result files for ParaView and GiD.
//
//   [mpirun -n R] th10run [problem.toml] [--output FOLDER] [--threads N] [--resume] [--quiet]
//                         [--verbose] [--check] [-- PETSc options]
//
// Without a problem file it runs the built-in sample: a smooth strip footing
// on weightless cohesive-frictional soil, loaded by settlement to failure.
// Under mpirun every rank runs this program on its part of the mesh; rank 0
// prints. Exit codes: 0 done, 1 the analysis stopped early, 2 bad input, 3
// other error.
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "simulation.h"
#include "system/linear_system.h"
#include "threads.h"

namespace fs = std::filesystem;
using namespace th10run;

namespace {

// Where the built-in sample lies relative to the program: the installed tree
// (and the build tree) has bin/th10run and share/th10fem/examples/.
const char* const kSampleFromBin = "../share/th10fem/examples/footing/footing.toml";
// The picture scripts lie beside the examples.
const char* const kScriptsFromBin = "../share/th10fem/scripts";

struct Args {
  std::string problem;
  std::string output;
  std::string petsc;  // PETSc's options, after "--"
  RunOptions run;
};

void usage(std::FILE* f) {
  std::fprintf(
      f,
      "usage: [mpirun -n R] th10run [problem.toml] [--output FOLDER] [--threads N] [--resume] [--quiet]\n"
      "                             [--verbose] [--check] [-- PETSc options]\n"
      "  without a problem file: the built-in strip-footing sample (bin/%s)\n"
      "  --output FOLDER  where the results go (default: output.folder of the problem,\n"
      "                   or <problem name>_results in the working directory)\n"
      "  --threads N      threads of the element loops and the BLAS (default: solver.threads\n"
      "                   of the problem, else OMP_NUM_THREADS, else every core)\n"
      "  --resume         go on from the last checkpoint in the output folder, if any\n"
      "  --quiet          no progress lines\n"
      "  --verbose        the residual of every iteration as well\n"
      "  --check          read and check the problem file and the mesh, run nothing\n"
      "  -- OPTIONS       PETSc's options for [solver] type = \"petsc\", such as\n"
      "                   -ksp_monitor -pc_type hypre; they override the problem's\n",
      kSampleFromBin);
}

bool parse_args(int argc, char** argv, Args& a) {
  for (int i = 1; i < argc; ++i) {
    const std::string s = argv[i];
    if (s == "--") {
      for (++i; i < argc; ++i) a.petsc += std::string(a.petsc.empty() ? "" : " ") + argv[i];
    } else if (s == "--output" && i + 1 < argc) {
      a.output = argv[++i];
    } else if (s == "--threads" && i + 1 < argc) {
      char* end = nullptr;
      const long n = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || n < 1 || n > 4096) {
        std::fprintf(stderr, "th10run: --threads: expected a whole number from 1 to 4096, got '%s'\n",
                     argv[i]);
        return false;
      }
      a.run.threads = static_cast<int>(n);
    } else if (s == "--resume") {
      a.run.resume = true;
    } else if (s == "--quiet") {
      a.run.quiet = true;
    } else if (s == "--verbose") {
      a.run.verbose = true;
    } else if (s == "--check") {
      a.run.check = true;
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

// A path relative to the running program's folder.
fs::path beside_program(const char* relative) {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : (exe.parent_path() / relative).lexically_normal();
}

// The built-in sample, found next to the running program.
std::string sample_problem() {
  const fs::path sample = beside_program(kSampleFromBin);
  if (sample.empty() || !fs::exists(sample))
    throw std::runtime_error("the built-in sample is not installed next to the program (" + sample.string() +
                             "); give a problem file");
  return sample.string();
}

// A temporary working directory for --check, removed on the way out.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string tmpl = (fs::temp_directory_path() / "th10run-check-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("cannot create a scratch folder");
    previous_ = fs::current_path();
    path_ = tmpl;
    fs::current_path(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

 private:
  fs::path previous_, path_;
};

// Where the results are and how to look at them.
void print_results(const OutputInput& o, const fs::path& folder, const std::vector<std::string>& pictures,
                   bool one_process) {
  std::printf("*** results in %s\n", folder.string().c_str());
  if (o.vtu)
    std::printf("    ParaView: open %s.pvd (or a single %s_NNNN.vtu)\n", o.name.c_str(), o.name.c_str());
  if (o.gid && one_process)
    std::printf("    GiD post-processing: open %s.post.res (mesh in %s.post.msh)\n", o.name.c_str(),
                o.name.c_str());
  if (o.csv) std::printf("    load-displacement curve: %s.csv\n", o.name.c_str());
  for (const std::string& png : pictures) std::printf("    picture: %s\n", png.c_str());
}

int run(Args args, Problem p) {
  if (!args.output.empty()) p.output.folder = args.output;
  // Mesh files are read from the output folder.
  if (p.mesh.kind == MeshKind::Gid) p.mesh.gid_name = fs::absolute(p.mesh.gid_name).string();
  if (p.mesh.kind == MeshKind::Gmsh) p.mesh.gmsh_file = fs::absolute(p.mesh.gmsh_file).string();
  std::printf("*** th10run: %s (%s)\n", p.title.c_str(), p.file.c_str());

  // The output folder becomes the working directory: the library's file
  // routines write fixed names ("gid_mesh.txt", "TH10G15.TXT") there. A
  // check runs in a scratch folder, so that it leaves nothing behind.
  const fs::path folder = fs::absolute(p.output.folder);
  std::unique_ptr<ScratchFolder> scratch;
  if (args.run.check) {
    scratch = std::make_unique<ScratchFolder>();
  } else {
    fs::create_directories(folder);
    fs::current_path(folder);
  }

  args.run.scripts = beside_program(kScriptsFromBin).string();
  const auto sim = run_problem(p, args.run);
  if (args.run.check) {
    std::printf("*** the problem is valid; nothing was run (--check)\n");
    return 0;
  }
  print_results(p.output, folder, sim->pictures, args.run.ranks->size() == 1);
  if (!sim->result.completed) {
    if (args.run.ranks->root()) std::fprintf(stderr, "th10run: %s\n", sim->result.message.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

// Reports an error: rank 0 says what every rank met (before MPI starts, the
// launcher's first process); an error that only some ranks meet ends them all.
int fail(const Ranks& ranks, int code, const std::string& text, bool every_rank) {
  std::fflush(stdout);
  if ((ranks.root() && launched_rank() == 0) || !every_rank)
    std::fprintf(
        stderr, "th10run: %s%s\n", text.c_str(),
        every_rank || ranks.size() == 1 ? "" : (" (rank " + std::to_string(ranks.rank()) + ")").c_str());
  if (!every_rank) ranks.abort(code);
  return code;
}

int main(int argc, char** argv) {
  sleep_when_idle(argv);
  Args args;
  if (!parse_args(argc, argv, args)) return 2;
  // Rank 0 prints the progress; the others keep quiet.
  if (launched_rank() != 0 && !std::freopen("/dev/null", "w", stdout)) return 3;
  std::shared_ptr<const Ranks> ranks = single_rank();
  const Ranks* r = ranks.get();
  try {
    if (args.problem.empty()) {
      args.problem = sample_problem();
      std::printf("*** no problem file given: running the built-in sample\n");
    }
    // The problem, every field checked before anything runs; then the ranks
    // (MPI starts under mpirun, or for PETSc's solvers on one process).
    Problem p = read_problem(args.problem);
    ranks = start_ranks(args.petsc, p.solver.kind == SolverKind::Petsc || !args.petsc.empty());
    r = ranks.get();
    args.run.ranks = ranks;
    return run(args, std::move(p));
  } catch (const ProblemError& e) {
    return fail(*r, 2, e.what(), true);
  } catch (const ModelError& e) {
    return fail(*r, 2, e.what(), true);
  } catch (const SolverError& e) {
    return fail(*r, 2,
                std::string(e.what()) + ": the supports may not hold the body against rigid-body motion",
                true);
  } catch (const std::bad_alloc&) {
    return fail(*r, 3, "out of memory (the mesh is too large for this machine; more ranks hold less each)",
                false);
  } catch (const std::exception& e) {
    return fail(*r, 3, e.what(), false);
  }
}
