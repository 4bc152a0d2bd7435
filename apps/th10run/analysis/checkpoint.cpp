// th10run: writing and reading checkpoints. The file is binary, in this
// machine's byte order: a header line, the fingerprint, then the parts in
// the order of checkpoint.h, each vector with its length before it.
#include "checkpoint.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <type_traits>

#include "element_geometry.h"
#include "output/files.h"

namespace th10run {
namespace {

const char kHeader[] = "th10run checkpoint 1\n";
// The state fields of a Gauss point, kept whole: from E to the geometry
// (Jac), and from stress0 to the end. The rest is geometry and the three
// matrices that update_Phi_F_D rebuilds from the stress.
using GP = TH10G15::GAUSSPOINT;
constexpr size_t kMaterialFirst = offsetof(GP, E), kMaterialEnd = offsetof(GP, Jac);
constexpr size_t kStateFirst = offsetof(GP, stress0), kStateEnd = sizeof(GP);
static_assert(std::is_standard_layout<GP>::value, "the Gauss-point record is read field by field");
// More entries than any vector of a model that fits in memory has.
constexpr std::uint64_t kLongest = 1ull << 34;

class Writer {
 public:
  explicit Writer(const std::string& file) : file_(file), f_(open_replacement(file)) {
    std::setvbuf(f_, nullptr, _IOFBF, 1 << 20);
    bytes(kHeader, sizeof kHeader - 1);
  }
  void bytes(const void* p, size_t n) { std::fwrite(p, 1, n, f_); }
  template <class T>
  void put(const T& v) {
    bytes(&v, sizeof v);
  }
  template <class T>
  void put(const std::vector<T>& v) {
    put(static_cast<std::uint64_t>(v.size()));
    bytes(v.data(), v.size() * sizeof(T));
  }
  void put(const std::string& s) {
    put(static_cast<std::uint64_t>(s.size()));
    bytes(s.data(), s.size());
  }
  void close() { close_replacement(f_, file_); }

 private:
  std::string file_;
  std::FILE* f_;
};

class Reader {
 public:
  explicit Reader(const std::string& file) : file_(file), f_(std::fopen(file.c_str(), "rb"), &std::fclose) {
    if (!f_) fail("cannot be read");
    std::string header(sizeof kHeader - 1, '\0');
    if (std::fread(header.data(), 1, header.size(), f_.get()) != header.size() || header != kHeader)
      fail("not a th10run checkpoint");
  }
  [[noreturn]] void fail(const std::string& what) const { throw ProblemError(file_ + ": " + what); }
  void bytes(void* p, size_t n, const char* field) {
    if (std::fread(p, 1, n, f_.get()) != n) fail(std::string("cut short in ") + field);
  }
  template <class T>
  T get(const char* field) {
    T v;
    bytes(&v, sizeof v, field);
    return v;
  }
  // A length, checked against what any model could have.
  std::uint64_t count(const char* field) {
    const auto n = get<std::uint64_t>(field);
    if (n > kLongest) fail(std::string("impossible length of ") + field);
    return n;
  }
  // A vector of `expected` entries (any number when negative).
  template <class T>
  std::vector<T> vec(const char* field, long long expected = -1) {
    const std::uint64_t n = count(field);
    if (expected >= 0 && n != static_cast<std::uint64_t>(expected))
      fail(std::string(field) + " has " + std::to_string(n) + " entries where the model has " +
           std::to_string(expected));
    std::vector<T> v(n);
    bytes(v.data(), n * sizeof(T), field);
    return v;
  }
  std::string text(const char* field) {
    const std::vector<char> v = vec<char>(field);
    return std::string(v.begin(), v.end());
  }

 private:
  std::string file_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f_;
};

std::uint64_t fnv1a(const std::string& bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

}  // namespace

std::string problem_fingerprint(const Problem& p, const Model& m, int threads) {
  std::ifstream in(p.file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  char s[160];
  std::snprintf(s, sizeof s, "problem file %016llx, %d nodes, %d elements, %d threads",
                static_cast<unsigned long long>(fnv1a(text)), m.nNodes(), m.nElements(), threads);
  return s;
}

Checkpoint::Checkpoint(std::string file, int every, std::string fingerprint, const PhaseCarry& carry)
    : file_(std::move(file)), every_(every), fingerprint_(std::move(fingerprint)), carry_(carry) {}

void Checkpoint::committed(const PhaseRun& run, const PhasePosition& at, const AnalysisResult& total) {
  if (every_ <= 0 || (total.steps % every_ != 0 && at.lambda < 1.0)) return;
  Writer w(file_);
  w.put(fingerprint_);
  w.put(run.number - 1);
  w.put(at.increment);
  w.put(at.lambda);
  w.put(at.dl);
  w.put(at.cuts);
  w.put(total.steps);
  w.put(total.cuts);
  w.put(total.iterations);
  const Model& m = run.state.model();
  for (const TH10G15::ELEMENT& el : m.elems)
    for (const GP& g : el.GP) {
      const char* p = reinterpret_cast<const char*>(&g);
      w.bytes(p + kMaterialFirst, kMaterialEnd - kMaterialFirst);
      w.bytes(p + kStateFirst, kStateEnd - kStateFirst);
    }
  w.put(run.state.active());
  w.put(run.state.group_material());
  w.put(static_cast<char>(run.state.elastic()));
  w.put(run.state.yielded());
  w.put(run.eq.Uc);
  w.put(run.eq.Fc);
  w.put(run.eq.last_step);
  w.put(run.eq.last_dl);
  w.put(run.boundary.F0);
  w.put(run.boundary.Fref);
  w.put(static_cast<char>(carry_.gravity));
  w.put(carry_.applied);
  const ResultWriter::Saved out = run.out.saved();
  w.put(static_cast<std::uint64_t>(out.pvd.size()));
  for (const auto& [time, name] : out.pvd) {
    w.put(time);
    w.put(name);
  }
  w.put(static_cast<std::uint64_t>(out.files.size()));
  for (const std::string& name : out.files) w.put(name);
  w.put(out.csv);
  w.put(out.gid_length);
  w.put(static_cast<char>(run.system.tangent_cholesky()));
  w.close();
}

Resumed read_checkpoint(const std::string& file, const std::string& fingerprint, ElementState& state,
                        Equilibrium& eq, PhaseCarry& carry) {
  Reader r(file);
  Resumed z;
  const std::string written = r.text("the fingerprint");
  if (written != fingerprint)
    r.fail("written for another problem or thread count (" + written + "; now " + fingerprint + ")");
  z.phase = r.get<int>("the position");
  z.at.increment = r.get<int>("the position");
  z.at.lambda = r.get<double>("the position");
  z.at.dl = r.get<double>("the position");
  z.at.cuts = r.get<int>("the position");
  z.steps = r.get<int>("the position");
  z.cuts = r.get<int>("the position");
  z.iterations = r.get<int>("the position");
  Model& m = state.model();
  for (TH10G15::ELEMENT& el : m.elems)
    for (GP& g : el.GP) {
      char* p = reinterpret_cast<char*>(&g);
      r.bytes(p + kMaterialFirst, kMaterialEnd - kMaterialFirst, "the Gauss points");
      r.bytes(p + kStateFirst, kStateEnd - kStateFirst, "the Gauss points");
    }
  const long long groups = static_cast<long long>(m.groups.size());
  std::vector<char> active = r.vec<char>("the group activity", groups);
  std::vector<int> material = r.vec<int>("the group materials", groups);
  for (int k : material)
    if (k < 0 || k >= static_cast<int>(state.materials().size()))
      r.fail("a group's material is not in the problem");
  const bool elastic = r.get<char>("the elastic switch") != 0;
  std::vector<char> yielded =
      r.vec<char>("the yielded flags", static_cast<long long>(m.nElements()) * tet10::kGaussPoints);
  state.resume(std::move(active), std::move(material), elastic, std::move(yielded));
  eq.Uc = eq.U = r.vec<double>("the displacements", m.nDofs());
  eq.Fc = eq.F = r.vec<double>("the forces", m.nDofs());
  eq.last_step = r.vec<double>("the last step");
  eq.last_dl = r.get<double>("the last step");
  z.F0 = r.vec<double>("the phase's loads", m.nDofs());
  z.Fref = r.vec<double>("the phase's loads", m.nDofs());
  carry.gravity = r.get<char>("the carried loads") != 0;
  carry.applied = r.vec<double>("the carried loads", m.nDofs());
  z.out.pvd.resize(r.count("the PVD list"));
  for (auto& [time, name] : z.out.pvd) {
    time = r.get<double>("the PVD list");
    name = r.text("the PVD list");
  }
  z.out.files.resize(r.count("the file list"));
  for (std::string& name : z.out.files) name = r.text("the file list");
  z.out.csv = r.text("the CSV rows");
  z.out.gid_length = r.get<long long>("the GiD file length");
  z.tangent_cholesky = r.get<char>("the solver's state") != 0;
  return z;
}

}  // namespace th10run
