// gmsh .msh 4.1 reader: a scanner over the file's bytes (white-space separated
// words in ASCII files and in the text parts of binary ones, raw values in the
// binary data), one reader per section, and the conversion of gmsh's element
// node order into the library's.
#include "gmsh_reader.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace gmshmesh {
namespace {

// gmsh's 10-node tetrahedron (element type 11, the reference manual's "Node
// ordering"): corners 0 (0,0,0), 1 (1,0,0), 2 (0,1,0), 3 (0,0,1) of the (u,v,w)
// reference element, so that (x1 - x0, x2 - x0, x3 - x0) is right-handed in an
// element of positive volume, which is how gmsh writes the elements it makes;
// mid-edge nodes 4 (0-1), 5 (1-2), 6 (2-0), 7 (3-0), 8 (3-2), 9 (3-1). A single
// tetrahedron meshed by gmsh with known corners shows the same.
//
// The library's: corners 0..3, (x3 - x2, x0 - x2, x1 - x2) right-handed for a
// positive Jacobian; mid-edge nodes 4 (0-1), 5 (1-2), 6 (0-2), 7 (3-0),
// 8 (3-1), 9 (3-2).
//
// Local corners 2, 3, 0, 1 taken as gmsh corners 0, 1, 2, 3 make the library's
// triple (x3 - x2, x0 - x2, x1 - x2) gmsh's (x1 - x0, x2 - x0, x3 - x0), so the
// orientations agree. Each gmsh edge (a-b) then lies between the images of a
// and b: 4 (0-1) -> local (2-3) = 9, 5 (1-2) -> (3-0) = 7, 6 (2-0) -> (0-2) = 6,
// 7 (3-0) -> (1-2) = 5, 8 (3-2) -> (1-0) = 4, 9 (3-1) -> (1-3) = 8.
// Entry k is the local node of gmsh's node k.
constexpr int kLocalOfGmshTet[10] = {2, 3, 0, 1, 9, 7, 6, 5, 4, 8};

// An element given in the opposite orientation is turned over by exchanging
// local corners 0 and 1, which carries edge (1-2) to (0-2) and (3-1) to (3-0).
// Entry k is the old local node that becomes local node k.
constexpr int kTurnOver[10] = {1, 0, 2, 3, 4, 6, 5, 8, 7, 9};

// gmsh's 6-node triangle (type 9) has its corners 0, 1, 2 and then the
// mid-edge nodes of (0-1), (1-2), (2-0): the order of Triangle, kept as it is.

constexpr int kTypeTet10 = 11, kTypeTet4 = 4, kTypeTri6 = 9, kTypeTri3 = 2;  // gmsh element types
constexpr int kTetNodes = 10, kTriNodes = 6;
constexpr std::size_t kBinarySizeT = 8;  // the size_t of the binary files read
const char* const kVersion = "4.1";
const char* const kDimWord[4] = {"point", "curve", "surface", "volume"};

// gmsh's element types (the reference manual's list): dimension, number of
// nodes and shape.
struct ElementType {
  int type, dim, nodes;
  const char* shape;
};
constexpr ElementType kElementTypes[] = {
    {1, 1, 2, "line"},          {2, 2, 3, "triangle"},      {3, 2, 4, "quadrangle"},
    {4, 3, 4, "tetrahedron"},   {5, 3, 8, "hexahedron"},    {6, 3, 6, "prism"},
    {7, 3, 5, "pyramid"},       {8, 1, 3, "line"},          {9, 2, 6, "triangle"},
    {10, 2, 9, "quadrangle"},   {11, 3, 10, "tetrahedron"}, {12, 3, 27, "hexahedron"},
    {13, 3, 18, "prism"},       {14, 3, 14, "pyramid"},     {15, 0, 1, "point"},
    {16, 2, 8, "quadrangle"},   {17, 3, 20, "hexahedron"},  {18, 3, 15, "prism"},
    {19, 3, 13, "pyramid"},     {20, 2, 9, "triangle"},     {21, 2, 10, "triangle"},
    {22, 2, 12, "triangle"},    {23, 2, 15, "triangle"},    {24, 2, 15, "triangle"},
    {25, 2, 21, "triangle"},    {26, 1, 4, "line"},         {27, 1, 5, "line"},
    {28, 1, 6, "line"},         {29, 3, 20, "tetrahedron"}, {30, 3, 35, "tetrahedron"},
    {31, 3, 56, "tetrahedron"}, {92, 3, 64, "hexahedron"},  {93, 3, 125, "hexahedron"},
};

const ElementType* find_type(int type) {
  for (const ElementType& t : kElementTypes)
    if (t.type == type) return &t;
  return nullptr;
}

// "type 5 (8-node hexahedron)"
std::string describe(const ElementType& t) {
  return "type " + std::to_string(t.type) + " (" + std::to_string(t.nodes) + "-node " + t.shape + ")";
}

std::string entity_name(int dim, int tag) {
  return std::string(kDimWord[dim]) + " " + std::to_string(tag);
}

// A word of the file as it may appear in a message: at most 40 characters,
// with anything unprintable shown as '?'.
std::string shown(std::string_view word) {
  std::string s(word.substr(0, 40));
  for (char& c : s)
    if (c < 32 || c > 126) c = '?';
  return word.size() > 40 ? s + "..." : s;
}

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads the file's words and values and reports errors at a byte position as
// "file:line: message" (ASCII) or "file: byte N: message" (binary).
class Scanner {
 public:
  Scanner(const std::string& text, const std::string& name) : text_(text), name_(name) {}

  void set_binary() { binary_ = true; }
  std::size_t pos() const { return pos_; }

  // Where the next word starts (ASCII) or the next value (binary), for messages.
  std::size_t mark() {
    if (!binary_) at_end();
    return pos_;
  }

  // Skips white space; true at the end of the text.
  bool at_end() {
    while (pos_ < text_.size() && is_space(text_[pos_])) ++pos_;
    return pos_ >= text_.size();
  }

  // The next white-space separated word.
  std::string_view word(const std::string& what) {
    if (at_end()) fail(pos_, "unexpected end of file: expected " + what);
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !is_space(text_[pos_])) ++pos_;
    return std::string_view(text_).substr(start, pos_ - start);
  }

  void expect(const std::string& keyword) {
    at_end();
    const std::size_t at = pos_;
    const std::string_view w = word(keyword);
    if (w != keyword) fail(at, "expected " + keyword + ", found '" + shown(w) + "'");
  }

  // A number written in ASCII (integers in binary files too).
  template <class T>
  T text_number(const std::string& what) {
    const std::size_t at = mark();
    const std::string_view w = word(what);
    T value{};
    const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value);
    if (ec != std::errc() || end != w.data() + w.size())
      fail(at, "expected " + what + (std::is_integral_v<T> ? " (an integer)" : " (a number)") + ", found '" +
                   shown(w) + "'");
    return value;
  }

  int read_int(const std::string& what) { return binary_ ? raw<std::int32_t>(what) : text_number<int>(what); }

  std::size_t read_size(const std::string& what) {
    return binary_ ? raw<std::uint64_t>(what) : text_number<std::size_t>(what);
  }

  double read_double(const std::string& what) {
    return binary_ ? raw<double>(what) : text_number<double>(what);
  }

  // A name in double quotes on one line.
  std::string quoted(const std::string& what) {
    at_end();
    const std::size_t open = pos_;
    if (open >= text_.size() || text_[open] != '"') fail(open, "expected " + what + " in double quotes");
    const std::size_t close = text_.find_first_of("\"\n", open + 1);
    if (close == std::string::npos || text_[close] != '"') fail(open, what + " has no closing quote");
    pos_ = close + 1;
    return text_.substr(open + 1, close - open - 1);
  }

  // In a binary file the data of a section begin right after its header line.
  void end_header_line() {
    if (!binary_) return;
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ >= text_.size() || text_[pos_] != '\n')
      fail(pos_, "expected a line break before the binary data");
    ++pos_;
  }

  // Moves past the line "$EndName" that closes the section "$Name".
  void skip_section(const std::string& header, std::size_t header_pos) {
    const std::string end = "$End" + header.substr(1);
    for (std::size_t at = text_.find(end, pos_); at != std::string::npos; at = text_.find(end, at + 1)) {
      const std::size_t after = at + end.size();
      if (at > 0 && text_[at - 1] == '\n' && (after == text_.size() || is_space(text_[after]))) {
        pos_ = after;
        return;
      }
    }
    fail(header_pos, "section " + header + " has no " + end);
  }

  [[noreturn]] void fail(std::size_t at, const std::string& message) const {
    if (binary_) throw Error(name_ + ": byte " + std::to_string(at) + ": " + message);
    const auto line = std::count(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1;
    throw Error(name_ + ":" + std::to_string(line) + ": " + message);
  }

 private:
  template <class T>
  T raw(const std::string& what) {
    if (text_.size() - pos_ < sizeof(T)) fail(pos_, "unexpected end of file: expected " + what);
    T value;
    std::memcpy(&value, text_.data() + pos_, sizeof(T));
    pos_ += sizeof(T);
    return value;
  }

  const std::string& text_;
  const std::string& name_;
  std::size_t pos_ = 0;
  bool binary_ = false;
};

// Signed volume (times 6) of the corners of a tetrahedron in local order:
// positive when (x3 - x2, x0 - x2, x1 - x2) is right-handed.
double corner_volume(const std::vector<double>& xyz, const std::array<int, kTetNodes>& n) {
  double a[3][3];
  for (int d = 0; d < 3; ++d) {
    a[0][d] = xyz[3 * n[3] + d] - xyz[3 * n[2] + d];
    a[1][d] = xyz[3 * n[0] + d] - xyz[3 * n[2] + d];
    a[2][d] = xyz[3 * n[1] + d] - xyz[3 * n[2] + d];
  }
  return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
         a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
         a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
}

// What becomes of the elements of one block.
enum class Use { kIgnored, kTetrahedra, kTriangles };

class MshReader {
 public:
  MshReader(const std::string& text, const std::string& name) : in_(text, name) {}

  Mesh read() {
    read_format();
    while (!in_.at_end()) read_section();
    finish();
    return std::move(mesh_);
  }

 private:
  void read_format() {
    const std::size_t start = in_.mark();
    if (in_.at_end() || in_.word("$MeshFormat") != "$MeshFormat")
      in_.fail(start, "not a gmsh mesh: the file does not begin with $MeshFormat");
    const std::size_t at = in_.mark();
    const std::string_view version = in_.word("the format version");
    if (version != kVersion)
      in_.fail(at, "gmsh mesh format version " + shown(version) + ": only " + kVersion +
                       " is read (save with gmsh -format msh41)");
    const int type = in_.text_number<int>("the file type");
    if (type != 0 && type != 1)
      in_.fail(at, "file type " + std::to_string(type) + ": 0 (ASCII) or 1 (binary) expected");
    const auto size = in_.text_number<std::size_t>("the data size");
    if (type == 1) read_binary_mark(at, size);
    in_.expect("$EndMeshFormat");
  }

  void read_binary_mark(std::size_t at, std::size_t size) {
    if (size != kBinarySizeT)
      in_.fail(at, "data size " + std::to_string(size) + ": binary files with 8-byte sizes are read");
    in_.set_binary();
    in_.end_header_line();
    const std::size_t mark = in_.pos();
    const int one = in_.read_int("the integer 1 that shows the byte order");
    if (one != 1)
      in_.fail(mark, "the byte-order integer reads " + std::to_string(one) +
                         ", not 1: the binary data are of the other byte order (endianness) or damaged");
  }

  void read_section() {
    const std::size_t at = in_.pos();
    const std::string header(in_.word("a section"));
    if (header == "$PhysicalNames") {
      once(have_names_, header, at);
      read_physical_names();
    } else if (header == "$Entities") {
      if (have_elements_) in_.fail(at, "$Entities after $Elements: the entities must come first");
      once(have_entities_, header, at);
      read_entities();
    } else if (header == "$Nodes") {
      once(have_nodes_, header, at);
      read_blocks(header, at, "node", [this] { return read_node_block(); });
    } else if (header == "$Elements") {
      if (!have_nodes_) in_.fail(at, "$Elements before $Nodes: the nodes must come first");
      once(have_elements_, header, at);
      read_blocks(header, at, "element", [this] { return read_element_block(); });
    } else if (header == "$MeshFormat" || header == "$PartitionedEntities" || header[0] != '$' ||
               header.compare(0, 4, "$End") == 0) {
      in_.fail(at, header == "$PartitionedEntities" ? "partitioned meshes are not read: save the mesh whole"
                                                    : "unexpected '" + shown(header) + "' between sections");
    } else {
      in_.skip_section(header, at);
    }
  }

  void once(bool& seen, const std::string& header, std::size_t at) {
    if (seen) in_.fail(at, "a second " + header + " section: one is read");
    seen = true;
  }

  // -- $PhysicalNames ---------------------------------------------------------

  void read_physical_names() {
    const auto n = in_.text_number<std::size_t>("the number of physical names");
    for (std::size_t i = 0; i < n; ++i) {
      in_.at_end();
      const std::size_t at = in_.pos();
      const int dim = in_.text_number<int>("a dimension");
      const int tag = in_.text_number<int>("a physical tag");
      const std::string name = in_.quoted("the physical name");
      add_name(dim, tag, name, at);
    }
    in_.expect("$EndPhysicalNames");
  }

  void add_name(int dim, int tag, const std::string& name, std::size_t at) {
    if (dim < 0 || dim > 3)
      in_.fail(at, "physical group of dimension " + std::to_string(dim) + ": 0 to 3 expected");
    if (tag <= 0) in_.fail(at, "physical " + entity_name(dim, tag) + ": physical tags are positive");
    for (const auto& [key, other] : names_)
      if (key.first == dim && other == name)
        in_.fail(at, "physical " + entity_name(dim, tag) + " \"" + name + "\": physical " +
                         entity_name(dim, key.second) + " has that name");
    if (!names_.emplace(std::make_pair(dim, tag), name).second)
      in_.fail(at, "physical " + entity_name(dim, tag) + " is named twice");
  }

  // "physical surface 3 "base"" (or without the name when it has none)
  std::string group_name(int dim, int tag) const {
    const auto it = names_.find({dim, tag});
    const std::string name = it == names_.end() ? "" : " \"" + it->second + "\"";
    return "physical " + entity_name(dim, tag) + name;
  }

  // -- $Entities --------------------------------------------------------------

  void read_entities() {
    in_.end_header_line();
    std::size_t count[4];
    for (std::size_t& c : count) c = in_.read_size("a number of entities");
    for (int dim = 0; dim < 4; ++dim)
      for (std::size_t i = 0; i < count[dim]; ++i) read_entity(dim);
    in_.expect("$EndEntities");
  }

  void read_entity(int dim) {
    const std::size_t at = in_.mark();
    const int tag = in_.read_int(std::string("a ") + kDimWord[dim] + " tag");
    if (tag <= 0) in_.fail(at, entity_name(dim, tag) + ": entity tags are positive");
    for (int k = 0; k < (dim == 0 ? 3 : 6); ++k) in_.read_double("a coordinate of " + entity_name(dim, tag));
    std::vector<int> physicals;
    const std::size_t n = in_.read_size("the number of physical tags of " + entity_name(dim, tag));
    for (std::size_t i = 0; i < n; ++i) {
      const int p = in_.read_int("a physical tag of " + entity_name(dim, tag));
      if (p <= 0)
        in_.fail(at, entity_name(dim, tag) + ": physical tag " + std::to_string(p) + " is not positive");
      physicals.push_back(p);
    }
    std::sort(physicals.begin(), physicals.end());
    physicals.erase(std::unique(physicals.begin(), physicals.end()), physicals.end());
    if (dim > 0) {
      const std::size_t bounding =
          in_.read_size("the number of bounding entities of " + entity_name(dim, tag));
      for (std::size_t i = 0; i < bounding; ++i)
        in_.read_int("a bounding entity of " + entity_name(dim, tag));
    }
    if (dim == 3 && !physicals.empty()) physical_volumes_ = true;
    if (!entities_.emplace(std::make_pair(dim, tag), std::move(physicals)).second)
      in_.fail(at, entity_name(dim, tag) + " is defined twice");
  }

  // The physical tags of the entity of an element block.
  const std::vector<int>& physicals_of(int dim, int tag, std::size_t at) const {
    static const std::vector<int> none;
    if (!have_entities_) return none;
    const auto it = entities_.find({dim, tag});
    if (it == entities_.end())
      in_.fail(at, "elements of " + entity_name(dim, tag) + ", which $Entities does not define");
    return it->second;
  }

  // -- $Nodes -----------------------------------------------------------------

  // The sections of blocks, $Nodes and $Elements: the numbers of blocks and of
  // items, the smallest and largest tag (not needed here), the blocks, the end.
  template <class ReadBlock>
  void read_blocks(const std::string& header, std::size_t at, const std::string& item, ReadBlock read_block) {
    in_.end_header_line();
    const std::size_t blocks = in_.read_size("the number of " + item + " blocks");
    const std::size_t total = in_.read_size("the number of " + item + "s");
    in_.read_size("the smallest " + item + " tag");
    in_.read_size("the largest " + item + " tag");
    std::size_t count = 0;
    for (std::size_t b = 0; b < blocks; ++b) count += read_block();
    if (count != total)
      in_.fail(at, header + " announces " + std::to_string(total) + " " + item + "s, its blocks hold " +
                       std::to_string(count));
    in_.expect("$End" + header.substr(1));
  }

  std::size_t read_node_block() {
    const std::size_t at = in_.mark();
    const int dim = in_.read_int("the dimension of a node block");
    in_.read_int("the entity tag of a node block");
    const int parametric = in_.read_int("the parametric flag of a node block");
    const std::size_t n = in_.read_size("the number of nodes in a block");
    if (dim < 0 || dim > 3 || parametric < 0 || parametric > 1)
      in_.fail(at, "node block of dimension " + std::to_string(dim) + " and parametric flag " +
                       std::to_string(parametric) + ": 0 to 3 and 0 or 1 expected");
    const std::size_t first = mesh_.node_tags.size();
    for (std::size_t i = 0; i < n; ++i) add_node_tag();
    const int parameters = parametric == 1 ? dim : 0;  // u, v, w after x, y, z
    for (std::size_t i = first; i < mesh_.node_tags.size(); ++i) read_coordinates(i, parameters);
    return n;
  }

  void add_node_tag() {
    const std::size_t at = in_.mark();
    const std::size_t tag = in_.read_size("a node tag");
    if (tag == 0) in_.fail(at, "node tag 0: node tags are positive");
    if (mesh_.node_tags.size() >= static_cast<std::size_t>(INT_MAX)) in_.fail(at, "too many nodes");
    if (!node_index_.emplace(tag, mesh_.nNodes()).second)
      in_.fail(at, "node " + std::to_string(tag) + " is defined twice");
    mesh_.node_tags.push_back(tag);
    node_pos_.push_back(at);
    in_element_.push_back(0);
  }

  void read_coordinates(std::size_t i, int parameters) {
    const std::string of_node = " of node " + std::to_string(mesh_.node_tags[i]);
    const std::size_t at = in_.mark();
    for (int d = 0; d < 3; ++d) {
      const double x = in_.read_double("a coordinate" + of_node);
      if (!std::isfinite(x)) in_.fail(at, "a coordinate" + of_node + " is not a finite number");
      mesh_.xyz.push_back(x);
    }
    for (int d = 0; d < parameters; ++d) in_.read_double("a parametric coordinate" + of_node);
  }

  // -- $Elements --------------------------------------------------------------

  std::size_t read_element_block() {
    const std::size_t at = in_.mark();
    const int dim = in_.read_int("the dimension of an element block");
    const int entity = in_.read_int("the entity tag of an element block");
    const int type = in_.read_int("the element type of a block");
    const std::size_t n = in_.read_size("the number of elements in a block");
    if (dim < 0 || dim > 3)
      in_.fail(at, "element block of dimension " + std::to_string(dim) + ": 0 to 3 expected");
    const ElementType* t = find_type(type);
    if (t == nullptr)
      in_.fail(at, entity_name(dim, entity) + " holds elements of type " + std::to_string(type) +
                       ", which is not a gmsh element type");
    if (t->dim != dim) in_.fail(at, entity_name(dim, entity) + " holds elements of " + describe(*t));
    const std::vector<int>& physicals = physicals_of(dim, entity, at);
    const Use use = use_of(dim, entity, *t, physicals, at);
    for (std::size_t i = 0; i < n; ++i) read_element(*t, use, physicals);
    return n;
  }

  // Decides what becomes of a block's elements, or rejects the block.
  Use use_of(int dim, int entity, const ElementType& t, const std::vector<int>& physicals,
             std::size_t at) const {
    const std::string holds = entity_name(dim, entity) + " holds elements of " + describe(t);
    if (dim == 0 || (dim < 3 && physicals.empty())) return Use::kIgnored;
    if (dim == 1)
      in_.fail(at, holds + " and is in " + group_name(1, physicals[0]) +
                       ": physical curves are not read; put supports and loads on physical surfaces");
    if (t.type == kTypeTet4 || t.type == kTypeTri3)
      in_.fail(at, holds + ", first-order elements: mesh with second order (gmsh -order 2)");
    if (t.type != (dim == 3 ? kTypeTet10 : kTypeTri6))
      in_.fail(at, holds +
                       ": only 10-node tetrahedra (type 11) in volumes and 6-node triangles (type 9) on "
                       "physical surfaces are read");
    if (dim == 2) return Use::kTriangles;
    if (physicals.size() > 1)
      in_.fail(at, entity_name(3, entity) + " is in " + group_name(3, physicals[0]) + " and in " +
                       group_name(3, physicals[1]) +
                       ": a tetrahedron takes the material of one physical volume");
    if (physicals.empty() && physical_volumes_)
      in_.fail(at, entity_name(3, entity) +
                       " is in no physical volume while other volumes are: add it to one, "
                       "or leave Mesh.SaveAll off");
    return Use::kTetrahedra;
  }

  void read_element(const ElementType& t, Use use, const std::vector<int>& physicals) {
    const std::size_t at = in_.mark();
    const std::size_t tag = in_.read_size("an element tag");
    if (tag == 0) in_.fail(at, "element tag 0: element tags are positive");
    if (!element_tags_.insert(tag).second)
      in_.fail(at, "element " + std::to_string(tag) + " is defined twice");
    const std::string of_element = " of element " + std::to_string(tag);
    nodes_.resize(t.nodes);
    for (int& index : nodes_) {
      const std::size_t node = in_.read_size("a node" + of_element);
      const auto it = node_index_.find(node);
      if (it == node_index_.end())
        in_.fail(at, "node " + std::to_string(node) + of_element + " is not defined in $Nodes");
      index = it->second;
      in_element_[index] = 1;
    }
    if (use == Use::kTetrahedra) add_tetrahedron(tag, physicals.empty() ? 0 : physicals[0], at);
    if (use == Use::kTriangles)
      for (int p : physicals) add_triangle(tag, p, at);
  }

  void add_tetrahedron(std::size_t tag, int physical, std::size_t at) {
    Tetrahedron tet;
    tet.tag = tag;
    tet.physical = physical;
    for (int k = 0; k < kTetNodes; ++k) tet.nodes[kLocalOfGmshTet[k]] = nodes_[k];
    const double volume = corner_volume(mesh_.xyz, tet.nodes);
    if (!std::isfinite(volume) || volume == 0)
      in_.fail(at, "element " + std::to_string(tag) + " is degenerate: its corners span no volume");
    if (volume < 0) {
      const std::array<int, kTetNodes> given = tet.nodes;
      for (int k = 0; k < kTetNodes; ++k) tet.nodes[k] = given[kTurnOver[k]];
      ++mesh_.mirrored;
    }
    mesh_.tetrahedra.push_back(tet);
  }

  void add_triangle(std::size_t tag, int physical, std::size_t at) {
    Triangle tri;
    tri.tag = tag;
    tri.physical = physical;
    std::copy(nodes_.begin(), nodes_.begin() + kTriNodes, tri.nodes.begin());
    mesh_.triangles.push_back(tri);
    triangle_pos_.push_back(at);
  }

  // -- the whole mesh ---------------------------------------------------------

  void finish() {
    const std::size_t end = in_.pos();
    if (!have_nodes_) in_.fail(end, "the file has no $Nodes section");
    if (mesh_.tetrahedra.empty()) in_.fail(end, "the file holds no 10-node tetrahedra");
    keep_nodes_of_tetrahedra();
    collect_groups();
  }

  // Keeps the nodes of the tetrahedra, in file order, and drops those that
  // only ignored elements use (such as the centre of a circle, which is a
  // point element); a node of no element at all or of a triangle alone is an
  // error.
  void keep_nodes_of_tetrahedra() {
    std::vector<int> index(mesh_.node_tags.size(), -1);
    for (const Tetrahedron& t : mesh_.tetrahedra)
      for (int n : t.nodes) index[n] = 0;
    for (std::size_t i = 0; i < index.size(); ++i)
      if (!in_element_[i])
        in_.fail(node_pos_[i], "node " + std::to_string(mesh_.node_tags[i]) + " belongs to no element");
    for (std::size_t e = 0; e < mesh_.triangles.size(); ++e)
      for (int n : mesh_.triangles[e].nodes)
        if (index[n] < 0)
          in_.fail(triangle_pos_[e], "node " + std::to_string(mesh_.node_tags[n]) + " of element " +
                                         std::to_string(mesh_.triangles[e].tag) +
                                         " belongs to no tetrahedron");
    int kept = 0;
    for (std::size_t i = 0; i < index.size(); ++i) {
      if (index[i] < 0) continue;
      index[i] = kept;
      mesh_.node_tags[kept] = mesh_.node_tags[i];
      std::copy_n(mesh_.xyz.begin() + 3 * i, 3, mesh_.xyz.begin() + 3 * kept);
      ++kept;
    }
    mesh_.node_tags.resize(kept);
    mesh_.xyz.resize(3 * static_cast<std::size_t>(kept));
    for (Tetrahedron& t : mesh_.tetrahedra)
      for (int& n : t.nodes) n = index[n];
    for (Triangle& t : mesh_.triangles)
      for (int& n : t.nodes) n = index[n];
  }

  // The groups of the entities and the named ones, sorted by dimension and tag.
  void collect_groups() {
    std::map<std::pair<int, int>, std::string> groups = names_;
    for (const auto& [entity, physicals] : entities_)
      for (int p : physicals) groups.emplace(std::make_pair(entity.first, p), "");
    for (const auto& [key, name] : groups) mesh_.groups.push_back({key.first, key.second, name});
  }

  Scanner in_;
  Mesh mesh_;
  bool have_names_ = false, have_entities_ = false, have_nodes_ = false, have_elements_ = false;
  bool physical_volumes_ = false;                             // some volume is in a physical volume
  std::map<std::pair<int, int>, std::string> names_;          // (dim, physical tag) -> name
  std::map<std::pair<int, int>, std::vector<int>> entities_;  // (dim, entity tag) -> physical tags
  std::unordered_map<std::size_t, int> node_index_;           // node tag -> 0-based index
  std::vector<std::size_t> node_pos_;                         // where each node's tag stands
  std::vector<char> in_element_;                              // whether some element uses each node
  std::unordered_set<std::size_t> element_tags_;
  std::vector<int> nodes_;                 // node indices of the element being read, gmsh order
  std::vector<std::size_t> triangle_pos_;  // where each triangle's element tag stands
};

}  // namespace

const PhysicalGroup* Mesh::find_group(int dim, const std::string& name) const {
  if (name.empty()) return nullptr;  // unnamed groups are found by tag
  for (const PhysicalGroup& g : groups)
    if (g.dim == dim && g.name == name) return &g;
  return nullptr;
}

Mesh read_msh(const std::string& contents, const std::string& name) {
  return MshReader(contents, name).read();
}

Mesh read_msh_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw Error(path + ": cannot open the file");
  const std::string contents((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) throw Error(path + ": cannot read the file");
  return read_msh(contents, path);
}

}  // namespace gmshmesh
