// th10run: reading the problem file. Every field is checked against its kind
// and range; a wrong or unknown field stops the program with a message that
// names the file, the line and the field, before anything runs.
#include "problem.h"

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "toml_section.h"

namespace th10run {
namespace {

namespace fs = std::filesystem;

// A file named in the problem, relative to the problem file's folder.
std::string file_near(Section& s, const char* key, const std::string& what, const fs::path& dir) {
  const toml::node* n = s.get(key);
  if (!n) s.fail_table(key, "missing (" + what + ")");
  if (!n->is_string()) s.fail(n, key, "expected " + what + ", in quotes");
  fs::path p = *n->value<std::string>();
  if (p.empty()) s.fail(n, key, "the mesh file name is empty");
  if (p.is_relative()) p = dir / p;
  return p.lexically_normal().string();
}

void read_mesh(Section& s, MeshInput& m, const fs::path& dir) {
  m.kind = static_cast<MeshKind>(s.choice("type", 0, {"box", "gid", "gmsh"}));
  if (m.kind == MeshKind::Gid) {
    m.gid_name = file_near(s, "file", "the GiD mesh file name without \"_ascii.msh\"", dir);
    s.finish({"type", "file"});
    return;
  }
  if (m.kind == MeshKind::Gmsh) {
    m.gmsh_file = file_near(s, "file", "the gmsh mesh file, format 4.1, such as \"slope.msh\"", dir);
    s.finish({"type", "file"});
    return;
  }
  s.numbers("origin", m.origin, 3);
  s.numbers("size", m.size, 3, kPositive);
  s.integers("cells", m.cells, 3, 1, 200);
  s.numbers("grading", m.grading, 3, Range{0.01, 100.0});
  s.finish({"type", "origin", "size", "cells", "grading"});
}

std::string default_name(const std::string& prefix, size_t index, const std::string& given) {
  return given.empty() ? prefix + std::to_string(index + 1) : given;
}

MaterialInput read_material(Section& s, size_t index) {
  MaterialInput m;
  m.where = s.where();
  m.name = default_name("material", index, s.text("name", ""));
  m.groups = s.texts("groups");
  m.E = s.number("E", m.E, kPositive);
  m.nu = s.number("nu", m.nu, Range{-1.0, 0.5, true, true});
  m.c = s.number("c", m.c, kPositive);
  m.phi = s.number("phi", m.phi, Range{0.0, 45.0, false, true});
  m.psi = s.number("psi", m.psi, Range{0.0, 45.0});
  m.associated = s.boolean("associated", m.associated);
  if (!m.associated && m.psi > m.phi)
    s.fail(s.get("psi"), "psi",
           "the dilatancy angle must not exceed the friction angle (phi = " + std::to_string(m.phi) + ")");
  m.tensile_strength = s.number("tensile_strength", m.tensile_strength, kNonNegative);
  m.unit_weight = s.number("unit_weight", m.unit_weight, kNonNegative);
  m.K0 = s.number("K0", m.K0, kNonNegative);
  s.finish({"name", "groups", "E", "nu", "c", "phi", "psi", "associated", "tensile_strength", "unit_weight",
            "K0"});
  return m;
}

GroupInput read_group(Section& s, size_t) {
  GroupInput g;
  g.where = s.where();
  g.name = s.text("name", "");
  if (g.name.empty()) s.fail_table("name", "missing (the group's name)");
  g.box = s.box("box");
  s.finish({"name", "box"});
  return g;
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

// The words of the integration schemes, in the order of Integration.
const std::vector<const char*> kIntegrationWords = {"return", "basic", "mobilised", "plastic_forces"};

void read_steps(Section& s, StepsInput& st) {
  st.increments = s.integer("increments", st.increments, 1, 100000);
  st.max_iterations = s.integer("max_iterations", st.max_iterations, 1, 10000);
  st.tolerance = s.number("tolerance", st.tolerance, Range{0.0, 1.0, true, true});
  st.integration = static_cast<Integration>(s.choice("integration", 0, kIntegrationWords));
  // The return's consistent tangent makes Newton's method the natural
  // default; the staged schemes keep the committed tangent.
  const int stiffness = st.integration == Integration::Return ? 2 : 1;
  st.stiffness = static_cast<Stiffness>(s.choice("stiffness", stiffness, {"elastic", "tangent", "newton"}));
  st.acceleration = static_cast<Acceleration>(s.choice("acceleration", 0, {"none", "broyden"}));
  st.max_cuts = s.integer("max_cuts", st.max_cuts, 0, 30);
  s.finish(
      {"increments", "max_iterations", "tolerance", "stiffness", "integration", "acceleration", "max_cuts"});
}

void read_solver(Section& s, SolverInput& so) {
  so.where = s.where();
  so.kind = static_cast<SolverKind>(s.choice("type", 0, {"auto", "dense", "sparse", "petsc"}));
  so.dense_limit = s.integer("dense_limit", so.dense_limit, 0, 20000);
  so.threads = s.integer("threads", so.threads, 0, 4096);
  so.method = static_cast<SolverMethod>(s.choice("method", 0, {"direct", "iterative"}));
  so.rtol = s.number("rtol", so.rtol, Range{0.0, 0.1, true, false});
  s.finish({"type", "dense_limit", "threads", "method", "rtol"});
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
  o.checkpoint_every = s.integer("checkpoint_every", o.checkpoint_every, 0, 100000);
  o.by_material = s.choice("averaging", 0, {"all", "material"}) == 1;
  if (const toml::node* n = s.get("plots")) {
    if (!n->is_boolean()) s.fail(n, "plots", "expected true or false");
    o.plots = *n->value<bool>() ? 1 : 0;
  }
  CurveLabels& l = o.labels;
  l.force = s.text("force_label", l.force);
  l.force_unit = s.text("force_unit", l.force_unit);
  l.length_unit = s.text("length_unit", l.length_unit);
  l.force_scale = s.number("force_scale", l.force_scale, kPositive);
  l.reference = s.number("reference", l.reference);
  l.reference_label = s.text("reference_label", l.reference_label);
  s.finish({"folder", "name", "gid", "vtu", "csv", "dump", "every", "checkpoint_every", "averaging", "plots",
            "force_label", "force_unit", "length_unit", "force_scale", "reference", "reference_label"});
}

SupportInput read_support(Section& s, size_t) {
  SupportInput sp;
  sp.where = s.where();
  sp.at = s.place();
  s.axes("fix", sp.fix);
  s.finish({"box", "group", "fix"});
  return sp;
}

DisplacementInput read_displacement(Section& s, size_t index) {
  DisplacementInput d;
  d.where = s.where();
  d.name = default_name("displacement", index, s.text("name", ""));
  d.at = s.place();
  const char* comp[3] = {"x", "y", "z"};
  for (int k = 0; k < 3; ++k) d.on[k] = s.linear(comp[k], d.value[k]);
  if (!d.on[0] && !d.on[1] && !d.on[2])
    s.fail_table("x", "a prescribed displacement needs at least one of x, y, z");
  s.finish({"name", "box", "group", "x", "y", "z"});
  return d;
}

PressureInput read_pressure(Section& s, size_t index) {
  PressureInput pr;
  pr.where = s.where();
  pr.name = default_name("pressure", index, s.text("name", ""));
  pr.at = s.place();
  pr.p = s.number_required("p");
  s.finish({"name", "box", "group", "p"});
  return pr;
}

// Arrays of tables: each entry read by its reader, named in messages by its
// position ("support[2]", "phase[1].pressure[3]").
template <class Reader>
auto read_each(Section& parent, const char* key, const std::string& file, Reader reader) {
  std::vector<decltype(reader(std::declval<Section&>(), size_t{}))> out;
  const auto tables = parent.tables(key);
  for (size_t i = 0; i < tables.size(); ++i) {
    Section s(*tables[i], parent.field(key) + "[" + std::to_string(i + 1) + "]", file);
    out.push_back(reader(s, i));
  }
  return out;
}

MaterialChange read_change(Section& s, size_t) {
  MaterialChange c;
  c.group = s.text("group", "");
  c.material = s.text("material", "");
  if (c.group.empty()) s.fail_table("group", "missing (the group whose material changes)");
  if (c.material.empty()) s.fail_table("material", "missing (the name of the new material)");
  s.finish({"group", "material"});
  return c;
}

void read_safety(Section& s, SafetyInput& sf) {
  sf.materials = s.texts("materials");
  sf.reduce_dilatancy = s.choice("dilatancy", 0, {"keep", "reduce"}) == 1;
  sf.step = s.number("step", sf.step, Range{0.0, 10.0, true});
  sf.tolerance = s.number("tolerance", sf.tolerance, Range{0.0, 1.0, true});
  sf.max_factor = s.number("max_factor", sf.max_factor, Range{1.0, 1e6, true});
  sf.max_iterations = s.integer("max_iterations", sf.max_iterations, 1, 10000);
  sf.at_point = s.get("point") != nullptr;
  s.numbers("point", sf.point, 3);
  sf.monitor = s.text("monitor", "");
  if (sf.at_point && !sf.monitor.empty())
    s.fail(s.get("monitor"), "monitor", "give either point or monitor as the control point, not both");
}

// A safety phase reduces the strength and nothing else: these fields of a
// phase have no place in it.
void check_safety(Section& s, const PhaseInput& ph) {
  const std::pair<const char*, bool> changes[] = {{"elastic", ph.elastic},
                                                  {"gravity", ph.gravity >= 0},
                                                  {"increments", ph.increments > 0},
                                                  {"deactivate", !ph.deactivate.empty()},
                                                  {"activate", !ph.activate.empty()},
                                                  {"change", !ph.change.empty()},
                                                  {"support", !ph.supports.empty()},
                                                  {"displacement", !ph.displacements.empty()},
                                                  {"pressure", !ph.pressures.empty()}};
  for (const auto& [key, given] : changes)
    if (given)
      s.fail(s.get(key), key,
             "a safety phase only reduces the strength: loads, supports, groups and the weight stay as "
             "the phase before left them");
}

PhaseInput read_phase(Section& s, size_t index, const std::string& file) {
  PhaseInput ph;
  ph.where = s.where();
  ph.name = default_name("phase", index, s.text("name", ""));
  ph.kind = static_cast<PhaseKind>(s.choice("type", 0, {"load", "k0", "gravity", "safety"}));
  ph.increments = s.integer("increments", 0, 1, 100000);
  if (const toml::node* n = s.get("gravity")) {
    if (!n->is_boolean()) s.fail(n, "gravity", "expected true or false");
    ph.gravity = *n->value<bool>() ? 1 : 0;
  }
  ph.elastic = s.boolean("elastic", false);
  ph.reset_displacements = s.boolean("reset_displacements", false);
  ph.deactivate = s.texts("deactivate");
  ph.activate = s.texts("activate");
  ph.change = read_each(s, "change", file, read_change);
  ph.supports = read_each(s, "support", file, read_support);
  ph.displacements = read_each(s, "displacement", file, read_displacement);
  ph.pressures = read_each(s, "pressure", file, read_pressure);
  if ((ph.kind == PhaseKind::K0 || ph.kind == PhaseKind::Gravity) && ph.gravity == 0)
    s.fail(s.get("gravity"), "gravity", "a k0 or gravity phase switches the weight on");
  if (ph.kind == PhaseKind::Safety) {
    check_safety(s, ph);
    read_safety(s, ph.safety);
  }
  s.finish({"name", "type", "increments", "gravity", "elastic", "reset_displacements", "deactivate",
            "activate", "change", "support", "displacement", "pressure"});
  return ph;
}

// Names that other tables refer to must exist; names must be unique.
void check_names(const Problem& p) {
  std::set<std::string> materials;
  for (const MaterialInput& m : p.materials)
    if (!materials.insert(m.name).second)
      throw ProblemError(m.where + ": material name \"" + m.name + "\" is used twice");
  std::set<std::string> phases;
  for (const PhaseInput& ph : p.phases) {
    if (ph.kind == PhaseKind::Safety && &ph == &p.phases.front())
      throw ProblemError(ph.where +
                         ": a safety phase starts from the state that a phase before it has left "
                         "(a gravity or load phase first)");
    if (ph.kind == PhaseKind::Safety && p.steps.integration != Integration::Return)
      throw ProblemError(ph.where +
                         ": a safety phase needs the exact return ([steps] integration = \"return\"), "
                         "the stress integration that keeps the strength it is given");
    if (ph.kind == PhaseKind::Safety && &ph != &p.phases.back())
      throw ProblemError(ph.where +
                         ": a safety phase leaves the strength reduced: it must be the last phase");
    for (const std::string& name : ph.safety.materials)
      if (!materials.count(name))
        throw ProblemError(ph.where + ": phase " + ph.name +
                           " reduces the strength of the unknown material \"" + name + "\"");
    if (!phases.insert(ph.name).second)
      throw ProblemError(ph.where + ": phase name \"" + ph.name + "\" is used twice");
    for (const MaterialChange& c : ph.change)
      if (!materials.count(c.material))
        throw ProblemError(ph.where + ": phase " + ph.name + " changes group \"" + c.group +
                           "\" to the unknown material \"" + c.material + "\"");
  }
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
  section("initial_stress", [&](Section& s) { read_initial(s, p.initial); });
  section("steps", [&](Section& s) { read_steps(s, p.steps); });
  section("solver", [&](Section& s) { read_solver(s, p.solver); });
  section("output", [&](Section& s) { read_output(s, p.output); });

  // One [material] for the whole body, or [[material]] tables for groups.
  if (const toml::node* n = root.get("material"); n && n->is_table()) {
    section("material", [&](Section& s) { p.materials.push_back(read_material(s, 0)); });
  } else {
    p.materials = read_each(top, "material", shown, read_material);
  }
  if (p.materials.empty()) {
    p.materials.emplace_back();
    p.materials.back().where = shown;
    p.materials.back().name = "material1";
  }
  p.groups = read_each(top, "group", shown, read_group);
  p.supports = read_each(top, "support", shown, read_support);
  p.phases = read_each(top, "phase", shown, [&](Section& s, size_t i) { return read_phase(s, i, shown); });
  // Without phases: one load phase with the top-level loads.
  auto displacements = read_each(top, "displacement", shown, read_displacement);
  auto pressures = read_each(top, "pressure", shown, read_pressure);
  if (p.phases.empty()) {
    PhaseInput only;
    only.where = shown;
    only.name = "phase1";
    only.displacements = std::move(displacements);
    only.pressures = std::move(pressures);
    p.phases.push_back(std::move(only));
  } else if (!displacements.empty() || !pressures.empty()) {
    top.fail_table(displacements.empty() ? "pressure" : "displacement",
                   "with [[phase]] tables, loads belong to the phase that applies them ([[phase.pressure]], "
                   "[[phase.displacement]])");
  }
  top.finish({"title", "mesh", "group", "material", "initial_stress", "support", "displacement", "pressure",
              "phase", "steps", "solver", "output"});
  check_names(p);

  if (p.output.name.empty()) p.output.name = file.stem().string();
  if (p.output.folder.empty()) p.output.folder = file.stem().string() + "_results";
  return p;
}

const char* integration_name(Integration i) {
  return kIntegrationWords[static_cast<int>(i)];
}

Problem read_problem(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ProblemError(path + ": cannot open the problem file");
  std::ostringstream s;
  s << in.rdbuf();
  return parse_problem(s.str(), path);
}

}  // namespace th10run
