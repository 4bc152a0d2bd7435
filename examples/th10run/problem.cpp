// th10run: reading the problem file. Every field is checked against its kind
// and range; a wrong or unknown field stops the program with a message that
// names the file, the line and the field, before anything runs.
#include "problem.h"

#include <toml++/toml.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>

namespace th10run {
namespace {

namespace fs = std::filesystem;

// Allowed range of a number; the bounds are inclusive unless marked open.
struct Range {
  double lo = -HUGE_VAL, hi = HUGE_VAL;
  bool lo_open = false, hi_open = false;
  std::string text() const {
    std::ostringstream s;
    if (lo == 0 && lo_open && hi == HUGE_VAL) return "a positive number";
    if (lo == 0 && !lo_open && hi == HUGE_VAL) return "a number >= 0";
    if (lo == -HUGE_VAL && hi == HUGE_VAL) return "a number";
    s << "a number " << (lo_open ? "> " : ">= ") << lo;
    if (hi != HUGE_VAL) s << " and " << (hi_open ? "< " : "<= ") << hi;
    return s.str();
  }
  bool holds(double v) const {
    if (!std::isfinite(v)) return false;
    if (lo_open ? !(v > lo) : !(v >= lo)) return false;
    if (hi_open ? !(v < hi) : !(v <= hi)) return false;
    return true;
  }
};
const Range kAny{};
const Range kPositive{0.0, HUGE_VAL, true, false};
const Range kNonNegative{0.0, HUGE_VAL, false, false};

// One table of the file: typed access to its fields with the file's line
// numbers in every message, and a final check that no field was left unknown.
class Section {
 public:
  Section(const toml::table& t, std::string path, const std::string& file)
      : t_(t), path_(std::move(path)), file_(file) {}

  [[noreturn]] void fail(const toml::node* at, const std::string& key, const std::string& what) const {
    std::ostringstream s;
    s << file_ << ":" << line(at) << ": " << field(key) << ": " << what;
    throw ProblemError(s.str());
  }
  [[noreturn]] void fail_table(const std::string& key, const std::string& what) const {
    fail(&t_, key, what);
  }
  std::string where() const { return file_ + ":" + std::to_string(line(&t_)); }
  std::string field(const std::string& key) const { return path_.empty() ? key : path_ + "." + key; }

  const toml::node* get(const char* key) {
    used_.insert(key);
    return t_.get(key);
  }

  double number(const char* key, double def, const Range& r = kAny) {
    const toml::node* n = get(key);
    return n ? number_of(n, key, r) : def;
  }
  double number_required(const char* key, const Range& r = kAny) {
    const toml::node* n = get(key);
    if (!n) fail(&t_, key, "missing (" + r.text() + ")");
    return number_of(n, key, r);
  }
  int integer(const char* key, int def, int lo, int hi) {
    const toml::node* n = get(key);
    if (!n) return def;
    const auto v = n->value_exact<int64_t>();
    if (!v || *v < lo || *v > hi)
      fail(n, key,
           "expected a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) + ", got " +
               shown(n));
    return static_cast<int>(*v);
  }
  bool boolean(const char* key, bool def) {
    const toml::node* n = get(key);
    if (!n) return def;
    if (!n->is_boolean()) fail(n, key, "expected true or false, got " + shown(n));
    return *n->value<bool>();
  }
  std::string text(const char* key, const std::string& def) {
    const toml::node* n = get(key);
    if (!n) return def;
    if (!n->is_string()) fail(n, key, "expected a string in quotes, got " + shown(n));
    return *n->value<std::string>();
  }
  // A string that must be one of the given words; returns its index.
  int choice(const char* key, int def, std::initializer_list<const char*> words) {
    const toml::node* n = get(key);
    if (!n) return def;
    std::string list;
    for (const char* w : words) list += (list.empty() ? "\"" : ", \"") + std::string(w) + "\"";
    if (!n->is_string()) fail(n, key, "expected one of " + list + ", got " + shown(n));
    const std::string v = *n->value<std::string>();
    int i = 0;
    for (const char* w : words) {
      if (v == w) return i;
      ++i;
    }
    fail(n, key, "expected one of " + list + ", got \"" + v + "\"");
  }
  // An array of exactly count numbers, each in the range.
  void numbers(const char* key, double* out, int count, const Range& r = kAny, bool required = false) {
    const toml::node* n = get(key);
    if (!n) {
      if (required) fail(&t_, key, "missing (an array of " + std::to_string(count) + " numbers)");
      return;
    }
    const toml::array* a = n->as_array();
    if (!a || static_cast<int>(a->size()) != count)
      fail(n, key, "expected an array of " + std::to_string(count) + " numbers, got " + shown(n));
    for (int i = 0; i < count; ++i) out[i] = number_of(a->get(i), key, r);
  }
  void integers(const char* key, int* out, int count, int lo, int hi) {
    const toml::node* n = get(key);
    if (!n) return;
    const toml::array* a = n->as_array();
    if (!a || static_cast<int>(a->size()) != count)
      fail(n, key, "expected an array of " + std::to_string(count) + " whole numbers, got " + shown(n));
    for (int i = 0; i < count; ++i) {
      const auto v = a->get(i)->value_exact<int64_t>();
      if (!v || *v < lo || *v > hi)
        fail(a->get(i), key,
             "expected whole numbers from " + std::to_string(lo) + " to " + std::to_string(hi) + ", got " +
                 shown(a->get(i)));
      out[i] = static_cast<int>(*v);
    }
  }
  // A node set: box = [[xmin, ymin, zmin], [xmax, ymax, zmax]].
  Box box(const char* key) {
    const toml::node* n = get(key);
    const std::string form = "an array of two corners [[xmin, ymin, zmin], [xmax, ymax, zmax]]";
    if (!n) fail(&t_, key, "missing (" + form + ")");
    const toml::array* a = n->as_array();
    if (!a || a->size() != 2) fail(n, key, "expected " + form + ", got " + shown(n));
    Box b;
    for (int k = 0; k < 2; ++k) {
      const toml::array* c = a->get(k)->as_array();
      if (!c || c->size() != 3) fail(a->get(k), key, "expected " + form + ", got " + shown(n));
      for (int d = 0; d < 3; ++d) (k == 0 ? b.lo : b.hi)[d] = number_of(c->get(d), key, kAny);
    }
    for (int d = 0; d < 3; ++d)
      if (b.lo[d] > b.hi[d]) fail(n, key, "the first corner must not exceed the second in any coordinate");
    return b;
  }
  // A displacement component: a number, or [a, gx, gy, gz] for a + gx*x + gy*y + gz*z.
  bool linear(const char* key, LinearValue& out) {
    const toml::node* n = get(key);
    if (!n) return false;
    if (n->is_number()) {
      out.a = number_of(n, key, kAny);
      return true;
    }
    const toml::array* a = n->as_array();
    if (!a || a->size() != 4)
      fail(n, key, "expected a number or [a, gx, gy, gz] (a + gx*x + gy*y + gz*z), got " + shown(n));
    out.a = number_of(a->get(0), key, kAny);
    for (int d = 0; d < 3; ++d) out.g[d] = number_of(a->get(d + 1), key, kAny);
    return true;
  }
  // Axis letters such as "xz": which directions a support fixes.
  void axes(const char* key, bool* out) {
    const toml::node* n = get(key);
    const std::string form = "a string of the fixed directions, such as \"xyz\" or \"z\"";
    if (!n) fail(&t_, key, "missing (" + form + ")");
    if (!n->is_string()) fail(n, key, "expected " + form + ", got " + shown(n));
    const std::string v = *n->value<std::string>();
    if (v.empty()) fail(n, key, "expected " + form + ", got \"\"");
    for (char ch : v) {
      const int d = ch == 'x' ? 0 : ch == 'y' ? 1 : ch == 'z' ? 2 : -1;
      if (d < 0 || out[d]) fail(n, key, "expected " + form + ", got \"" + v + "\"");
      out[d] = true;
    }
  }
  const toml::table* table(const char* key) {
    const toml::node* n = get(key);
    if (!n) return nullptr;
    if (!n->is_table()) fail(n, key, "expected a table [" + field(key) + "], got " + shown(n));
    return n->as_table();
  }
  // Arrays of tables such as [[support]].
  std::vector<const toml::table*> tables(const char* key) {
    std::vector<const toml::table*> out;
    const toml::node* n = get(key);
    if (!n) return out;
    const toml::array* a = n->as_array();
    if (!a || !a->is_array_of_tables())
      fail(n, key, "expected tables written as [[" + field(key) + "]], got " + shown(n));
    for (const toml::node& e : *a) out.push_back(e.as_table());
    return out;
  }

  // Every field of the table must have been asked for.
  void finish(std::initializer_list<const char*> known) const {
    for (auto&& [k, v] : t_) {
      const std::string key(k.str());
      if (used_.count(key)) continue;
      std::string list;
      for (const char* w : known) list += (list.empty() ? "" : ", ") + std::string(w);
      fail(&v, key, "unknown field (expected one of: " + list + ")");
    }
  }

 private:
  static int line(const toml::node* n) { return n ? static_cast<int>(n->source().begin.line) : 0; }
  static std::string shown(const toml::node* n) {
    std::ostringstream s;
    if (n->is_table()) return "a table";
    if (n->is_array())
      s << "an array of " << n->as_array()->size();
    else if (n->is_string())
      s << "the string \"" << *n->value<std::string>() << "\"";
    else if (n->is_integer())
      s << *n->value<int64_t>();
    else if (n->is_floating_point())
      s << *n->value<double>();
    else if (n->is_boolean())
      s << (*n->value<bool>() ? "true" : "false");
    else
      s << "a date or time";
    return s.str();
  }
  double number_of(const toml::node* n, const std::string& key, const Range& r) const {
    if (!n->is_number()) fail(n, key, "expected " + r.text() + ", got " + shown(n));
    const double v = *n->value<double>();
    if (!r.holds(v)) {
      std::ostringstream s;
      s << "expected " << r.text() << ", got " << v;
      fail(n, key, s.str());
    }
    return v;
  }

  const toml::table& t_;
  std::string path_;
  const std::string& file_;
  std::set<std::string> used_;
};

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

  const auto supports = top.tables("support");
  for (size_t i = 0; i < supports.size(); ++i) {
    Section s(*supports[i], "support[" + std::to_string(i + 1) + "]", shown);
    SupportInput sp;
    sp.where = s.where();
    sp.box = s.box("box");
    s.axes("fix", sp.fix);
    s.finish({"box", "fix"});
    p.supports.push_back(sp);
  }
  const auto displacements = top.tables("displacement");
  for (size_t i = 0; i < displacements.size(); ++i) {
    Section s(*displacements[i], "displacement[" + std::to_string(i + 1) + "]", shown);
    DisplacementInput d;
    d.where = s.where();
    d.name = default_name("displacement", i, s.text("name", ""));
    d.box = s.box("box");
    const char* comp[3] = {"x", "y", "z"};
    for (int k = 0; k < 3; ++k) d.on[k] = s.linear(comp[k], d.value[k]);
    if (!d.on[0] && !d.on[1] && !d.on[2])
      s.fail_table("x", "a prescribed displacement needs at least one of x, y, z");
    s.finish({"name", "box", "x", "y", "z"});
    p.displacements.push_back(d);
  }
  const auto pressures = top.tables("pressure");
  for (size_t i = 0; i < pressures.size(); ++i) {
    Section s(*pressures[i], "pressure[" + std::to_string(i + 1) + "]", shown);
    PressureInput pr;
    pr.where = s.where();
    pr.name = default_name("pressure", i, s.text("name", ""));
    pr.box = s.box("box");
    pr.p = s.number_required("p");
    s.finish({"name", "box", "p"});
    p.pressures.push_back(pr);
  }
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
