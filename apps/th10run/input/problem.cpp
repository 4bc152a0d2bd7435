// th10run: reading the problem file. Every field is checked against its kind
// and range; a wrong or unknown field stops the program with a message that
// names the file, the line and the field, before anything runs.
#include "problem.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "toml_section.h"

namespace th10run {
namespace {

namespace fs = std::filesystem;

void read_mesh(Section& s, MeshInput& m, const fs::path& dir) {
  m.kind = static_cast<MeshKind>(s.choice("type", 0, {"box", "gid"}));
  if (m.kind == MeshKind::Gid) {
    const toml::node* n = s.get("file");
    if (!n) s.fail_table("file", "missing (the GiD mesh file name without \"_ascii.msh\")");
    if (!n->is_string())
      s.fail(n, "file", "expected the GiD mesh file name without \"_ascii.msh\", in quotes");
    fs::path p = *n->value<std::string>();
    if (p.empty()) s.fail(n, "file", "the mesh file name is empty");
    if (p.is_relative()) p = dir / p;
    m.gid_name = p.lexically_normal().string();
    s.finish({"type", "file"});
    return;
  }
  s.numbers("origin", m.origin, 3);
  s.numbers("size", m.size, 3, kPositive);
  s.integers("cells", m.cells, 3, 1, 200);
  s.numbers("grading", m.grading, 3, Range{0.01, 100.0});
  s.finish({"type", "origin", "size", "cells", "grading"});
}

void read_material(Section& s, MaterialInput& m) {
  m.E = s.number("E", m.E, kPositive);
  m.nu = s.number("nu", m.nu, Range{-1.0, 0.5, true, true});
  m.c = s.number("c", m.c, kPositive);
  m.phi = s.number("phi", m.phi, Range{0.0, 45.0, false, true});
  m.psi = s.number("psi", m.psi, Range{0.0, 45.0});
  m.associated = s.boolean("associated", m.associated);
  s.finish({"E", "nu", "c", "phi", "psi", "associated"});
}

void read_initial(Section& s, InitialStressInput& i) {
  i.kind = static_cast<InitialStressKind>(s.choice("type", 0, {"none", "uniform", "geostatic"}));
  if (i.kind == InitialStressKind::Uniform) {
    s.numbers("stress", i.stress, 6, kAny, true);
    s.finish({"type", "stress"});
  } else if (i.kind == InitialStressKind::Geostatic) {
    i.unit_weight = s.number_required("unit_weight", kNonNegative);
    i.K0 = s.number("K0", i.K0, kNonNegative);
    i.surface = s.number_required("surface");
    s.finish({"type", "unit_weight", "K0", "surface"});
  } else {
    s.finish({"type"});
  }
}

void read_steps(Section& s, StepsInput& st) {
  st.increments = s.integer("increments", st.increments, 1, 100000);
  st.max_iterations = s.integer("max_iterations", st.max_iterations, 1, 10000);
  st.tolerance = s.number("tolerance", st.tolerance, Range{0.0, 1.0, true, true});
  st.stiffness = static_cast<Stiffness>(s.choice("stiffness", 1, {"elastic", "tangent", "newton"}));
  st.integration =
      static_cast<Integration>(s.choice("integration", 0, {"basic", "mobilised", "plastic_forces"}));
  st.acceleration = static_cast<Acceleration>(s.choice("acceleration", 0, {"none", "broyden"}));
  st.max_cuts = s.integer("max_cuts", st.max_cuts, 0, 30);
  s.finish(
      {"increments", "max_iterations", "tolerance", "stiffness", "integration", "acceleration", "max_cuts"});
}

void read_solver(Section& s, SolverInput& so) {
  so.kind = static_cast<SolverKind>(s.choice("type", 0, {"auto", "dense", "sparse"}));
  so.dense_limit = s.integer("dense_limit", so.dense_limit, 0, 20000);
  s.finish({"type", "dense_limit"});
}

void read_output(Section& s, OutputInput& o) {
  o.folder = s.text("folder", o.folder);
  o.name = s.text("name", o.name);
  for (char ch : o.name)
    if (ch == '/' || ch == '\\')
      s.fail(s.get("name"), "name", "a file stem without folders, got \"" + o.name + "\"");
  o.gid = s.boolean("gid", o.gid);
  o.vtu = s.boolean("vtu", o.vtu);
  o.csv = s.boolean("csv", o.csv);
  o.dump = s.boolean("dump", o.dump);
  o.every = s.integer("every", o.every, 1, 100000);
  s.finish({"folder", "name", "gid", "vtu", "csv", "dump", "every"});
}

std::string default_name(const std::string& prefix, size_t index, const std::string& given) {
  return given.empty() ? prefix + std::to_string(index + 1) : given;
}

SupportInput read_support(Section& s) {
  SupportInput sp;
  sp.where = s.where();
  sp.box = s.box("box");
  s.axes("fix", sp.fix);
  s.finish({"box", "fix"});
  return sp;
}

DisplacementInput read_displacement(Section& s, size_t index) {
  DisplacementInput d;
  d.where = s.where();
  d.name = default_name("displacement", index, s.text("name", ""));
  d.box = s.box("box");
  const char* comp[3] = {"x", "y", "z"};
  for (int k = 0; k < 3; ++k) d.on[k] = s.linear(comp[k], d.value[k]);
  if (!d.on[0] && !d.on[1] && !d.on[2])
    s.fail_table("x", "a prescribed displacement needs at least one of x, y, z");
  s.finish({"name", "box", "x", "y", "z"});
  return d;
}

PressureInput read_pressure(Section& s, size_t index) {
  PressureInput pr;
  pr.where = s.where();
  pr.name = default_name("pressure", index, s.text("name", ""));
  pr.box = s.box("box");
  pr.p = s.number_required("p");
  s.finish({"name", "box", "p"});
  return pr;
}

}  // namespace

Problem parse_problem(const std::string& text, const std::string& path) {
  Problem p;
  p.file = path;
  const fs::path file(path);
  const std::string shown = file.filename().string();
  toml::table root;
  try {
    root = toml::parse(text, path);
  } catch (const toml::parse_error& e) {
    std::ostringstream s;
    s << shown << ":" << e.source().begin.line << ": not valid TOML: " << e.description();
    throw ProblemError(s.str());
  }
  const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
  Section top(root, "", shown);
  p.title = top.text("title", file.stem().string());

  // Each table is optional; a table that is absent keeps all its defaults.
  auto section = [&](const char* key, auto&& reader) {
    if (const toml::table* t = top.table(key)) {
      Section s(*t, key, shown);
      reader(s);
    }
  };
  section("mesh", [&](Section& s) { read_mesh(s, p.mesh, dir); });
  section("material", [&](Section& s) { read_material(s, p.material); });
  section("initial_stress", [&](Section& s) { read_initial(s, p.initial); });
  section("steps", [&](Section& s) { read_steps(s, p.steps); });
  section("solver", [&](Section& s) { read_solver(s, p.solver); });
  section("output", [&](Section& s) { read_output(s, p.output); });

  // Arrays of tables: each entry read by its own reader, named in messages
  // by its position ("support[2]").
  auto each = [&](const char* key, auto&& reader) {
    const auto tables = top.tables(key);
    for (size_t i = 0; i < tables.size(); ++i) {
      Section s(*tables[i], std::string(key) + "[" + std::to_string(i + 1) + "]", shown);
      reader(s, i);
    }
  };
  each("support", [&](Section& s, size_t) { p.supports.push_back(read_support(s)); });
  each("displacement", [&](Section& s, size_t i) { p.displacements.push_back(read_displacement(s, i)); });
  each("pressure", [&](Section& s, size_t i) { p.pressures.push_back(read_pressure(s, i)); });
  top.finish({"title", "mesh", "material", "initial_stress", "support", "displacement", "pressure", "steps",
              "solver", "output"});

  if (p.output.name.empty()) p.output.name = file.stem().string();
  if (p.output.folder.empty()) p.output.folder = file.stem().string() + "_results";
  return p;
}

Problem read_problem(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ProblemError(path + ": cannot open the problem file");
  std::ostringstream s;
  s << in.rdbuf();
  return parse_problem(s.str(), path);
}

}  // namespace th10run
