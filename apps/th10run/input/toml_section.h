// th10run: typed access to one table of a TOML problem file. Every message
// names the file, the line and the field; a field that nobody asked for is
// an error, so that a misspelt field never passes silently.
#ifndef TH10RUN_INPUT_TOML_SECTION_H
#define TH10RUN_INPUT_TOML_SECTION_H

#include <toml++/toml.h>

#include <cmath>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "problem.h"

namespace th10run {

// Allowed range of a number; the bounds are inclusive unless marked open.
struct Range {
  double lo = -HUGE_VAL, hi = HUGE_VAL;
  bool lo_open = false, hi_open = false;
  std::string text() const;  // "a positive number", "a number >= 0 and < 45", ...
  bool holds(double v) const;
};
extern const Range kAny;
extern const Range kPositive;
extern const Range kNonNegative;

class Section {
 public:
  // path: the table's name in messages ("material", "support[2]"); file: the
  // file name shown in messages.
  Section(const toml::table& t, std::string path, const std::string& file)
      : t_(t), path_(std::move(path)), file_(file) {}

  [[noreturn]] void fail(const toml::node* at, const std::string& key, const std::string& what) const;
  [[noreturn]] void fail_table(const std::string& key, const std::string& what) const {
    fail(&t_, key, what);
  }
  std::string where() const;  // "file:line" of the table
  std::string field(const std::string& key) const { return path_.empty() ? key : path_ + "." + key; }

  const toml::node* get(const char* key);  // marks the field as known

  double number(const char* key, double def, const Range& r = kAny);
  double number_required(const char* key, const Range& r = kAny);
  int integer(const char* key, int def, int lo, int hi);
  bool boolean(const char* key, bool def);
  std::string text(const char* key, const std::string& def);
  // A string that must be one of the given words; returns its index.
  int choice(const char* key, int def, const std::vector<const char*>& words);
  // An array of exactly count numbers, each in the range.
  void numbers(const char* key, double* out, int count, const Range& r = kAny, bool required = false);
  void integers(const char* key, int* out, int count, int lo, int hi);
  // A node set: box = [[xmin, ymin, zmin], [xmax, ymax, zmax]].
  Box box(const char* key);
  // An array of strings (a single string counts as an array of one); empty when absent.
  std::vector<std::string> texts(const char* key);
  // Where a boundary condition acts: box = [[...], [...]] or group = "name", one of the two.
  Place place();
  // A displacement component: a number, or [a, gx, gy, gz] for a + gx*x + gy*y + gz*z.
  bool linear(const char* key, LinearValue& out);
  // Axis letters such as "xz": which directions a support fixes.
  void axes(const char* key, bool* out);
  const toml::table* table(const char* key);
  // Arrays of tables such as [[support]].
  std::vector<const toml::table*> tables(const char* key);

  // Every field of the table must have been asked for.
  void finish(std::initializer_list<const char*> known) const;

 private:
  static int line(const toml::node* n);
  static std::string shown(const toml::node* n);
  double number_of(const toml::node* n, const std::string& key, const Range& r) const;

  const toml::table& t_;
  std::string path_;
  const std::string& file_;
  std::set<std::string> used_;
};

}  // namespace th10run

#endif
