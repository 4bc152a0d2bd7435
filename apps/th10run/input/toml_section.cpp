// th10run: typed access to one table of a TOML problem file.
#include "toml_section.h"

#include <sstream>

namespace th10run {

std::string Range::text() const {
  std::ostringstream s;
  if (lo == 0 && lo_open && hi == HUGE_VAL) return "a positive number";
  if (lo == 0 && !lo_open && hi == HUGE_VAL) return "a number >= 0";
  if (lo == -HUGE_VAL && hi == HUGE_VAL) return "a number";
  s << "a number " << (lo_open ? "> " : ">= ") << lo;
  if (hi != HUGE_VAL) s << " and " << (hi_open ? "< " : "<= ") << hi;
  return s.str();
}

bool Range::holds(double v) const {
  if (!std::isfinite(v)) return false;
  if (lo_open ? !(v > lo) : !(v >= lo)) return false;
  if (hi_open ? !(v < hi) : !(v <= hi)) return false;
  return true;
}

const Range kAny{};
const Range kPositive{0.0, HUGE_VAL, true, false};
const Range kNonNegative{0.0, HUGE_VAL, false, false};

std::string Section::where() const {
  return file_ + ":" + std::to_string(line(&t_));
}

int Section::line(const toml::node* n) {
  return n ? static_cast<int>(n->source().begin.line) : 0;
}

void Section::fail(const toml::node* at, const std::string& key, const std::string& what) const {
  std::ostringstream s;
  s << file_ << ":" << line(at) << ": " << field(key) << ": " << what;
  throw ProblemError(s.str());
}

const toml::node* Section::get(const char* key) {
  used_.insert(key);
  return t_.get(key);
}

double Section::number(const char* key, double def, const Range& r) {
  const toml::node* n = get(key);
  return n ? number_of(n, key, r) : def;
}

double Section::number_required(const char* key, const Range& r) {
  const toml::node* n = get(key);
  if (!n) fail(&t_, key, "missing (" + r.text() + ")");
  return number_of(n, key, r);
}

int Section::integer(const char* key, int def, int lo, int hi) {
  const toml::node* n = get(key);
  if (!n) return def;
  const auto v = n->value_exact<int64_t>();
  if (!v || *v < lo || *v > hi)
    fail(n, key,
         "expected a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) + ", got " +
             shown(n));
  return static_cast<int>(*v);
}

bool Section::boolean(const char* key, bool def) {
  const toml::node* n = get(key);
  if (!n) return def;
  if (!n->is_boolean()) fail(n, key, "expected true or false, got " + shown(n));
  return *n->value<bool>();
}

std::string Section::text(const char* key, const std::string& def) {
  const toml::node* n = get(key);
  if (!n) return def;
  if (!n->is_string()) fail(n, key, "expected a string in quotes, got " + shown(n));
  return *n->value<std::string>();
}

// A string that must be one of the given words; returns its index.
int Section::choice(const char* key, int def, const std::vector<const char*>& words) {
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
void Section::numbers(const char* key, double* out, int count, const Range& r, bool required) {
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

void Section::integers(const char* key, int* out, int count, int lo, int hi) {
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
Box Section::box(const char* key) {
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

std::vector<std::string> Section::texts(const char* key) {
  std::vector<std::string> out;
  const toml::node* n = get(key);
  if (!n) return out;
  if (n->is_string()) return {*n->value<std::string>()};
  const toml::array* a = n->as_array();
  if (!a) fail(n, key, "expected a string or an array of strings, got " + shown(n));
  for (const toml::node& e : *a) {
    if (!e.is_string()) fail(&e, key, "expected an array of strings, got " + shown(&e) + " in it");
    out.push_back(*e.value<std::string>());
  }
  return out;
}

Place Section::place() {
  Place p;
  const bool has_box = t_.contains("box"), has_group = t_.contains("group");
  if (has_box && has_group) fail(get("group"), "group", "give either box or group, not both");
  if (!has_box && !has_group)
    fail_table(
        "box",
        "missing (an array of two corners [[xmin, ymin, zmin], [xmax, ymax, zmax]], or group = \"a physical "
        "surface\")");
  if (has_group) {
    p.group = text("group", "");
    if (p.group.empty()) fail(get("group"), "group", "the group name is empty");
    return p;
  }
  p.box = box("box");
  return p;
}

// A displacement component: a number, or [a, gx, gy, gz] for a + gx*x + gy*y + gz*z.
bool Section::linear(const char* key, LinearValue& out) {
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
void Section::axes(const char* key, bool* out) {
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

const toml::table* Section::table(const char* key) {
  const toml::node* n = get(key);
  if (!n) return nullptr;
  if (!n->is_table()) fail(n, key, "expected a table [" + field(key) + "], got " + shown(n));
  return n->as_table();
}

// Arrays of tables such as [[support]].
std::vector<const toml::table*> Section::tables(const char* key) {
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
void Section::finish(std::initializer_list<const char*> known) const {
  for (auto&& [k, v] : t_) {
    const std::string key(k.str());
    if (used_.count(key)) continue;
    std::string list;
    for (const char* w : known) list += (list.empty() ? "" : ", ") + std::string(w);
    fail(&v, key, "unknown field (expected one of: " + list + ")");
  }
}

std::string Section::shown(const toml::node* n) {
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

double Section::number_of(const toml::node* n, const std::string& key, const Range& r) const {
  if (!n->is_number()) fail(n, key, "expected " + r.text() + ", got " + shown(n));
  const double v = *n->value<double>();
  if (!r.holds(v)) {
    std::ostringstream s;
    s << "expected " << r.text() << ", got " << v;
    fail(n, key, s.str());
  }
  return v;
}

}  // namespace th10run
