// The GiD ASCII mesh format as read here, whitespace-separated and one record
// per line:
//   MESH dimension 3 ElemType Tetrahedra Nnode 10    (header, six words and a count)
//   Coordinates                                      (skipped line)
//   label x y z                                      (one line per node)
//   End Coordinates                                  (rest of line and two more lines skipped)
//
//   Elements
//   label n1 ... n10                                 (one line per element, GiD node order)
//   End Elements
// Every word goes through a bounded buffer; a word longer than its field, a
// missing or extra field, a field that is not a number and an early end of
// the file are reported as a malformed file (-7), an element node outside the
// nodes read as -8. "\r\n" line ends read like "\n".
#include "gid_mesh_reader.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "file_io.h"

namespace FiniteElementMethod {
namespace detail {
namespace {

const int kLabelLength = 10;    // longest label: any int fits
const int kLineLength = 253;    // longest skipped line, without its line end
const int kNearLength = 40;     // characters of an offending word quoted in a message
const int kWordCapacity = 128;  // characters kept of a word; longer is always malformed
const char kEndOfFile[] = "end of file";

// The mesh file, read through a fixed buffer.
struct MeshText {
  std::FILE* fid;
  bool read_failed;
  int pos;
  int len;
  unsigned char buf[8192];
};

int next_char(MeshText& t) {
  if (t.pos == t.len) {
    t.pos = 0;
    t.len = static_cast<int>(std::fread(t.buf, 1, sizeof t.buf, t.fid));
    if (t.len == 0) {
      if (std::ferror(t.fid)) t.read_failed = true;
      return EOF;
    }
  }
  return t.buf[t.pos++];
}

// Steps back over the character that next_char has just returned (not EOF).
void put_back(MeshText& t) {
  --t.pos;
}

// White space within a line; '\r' counts as such, so "\r\n" ends a line like "\n".
bool is_blank(int c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// One word as read: its first kWordCapacity characters and its length, which
// stops counting at kWordCapacity + 1 (longer than any field).
struct Word {
  char text[kWordCapacity + 1];
  int length;
};

enum class Scan { word, line_end, end_of_file };

// Skips blanks, and line ends too when across_lines, then reads one word. A
// line end met first (within a line) is consumed and reported as line_end.
Scan read_word(MeshText& t, bool across_lines, Word& w) {
  int c = next_char(t);
  while (is_blank(c) || (across_lines && c == '\n')) c = next_char(t);
  if (c == EOF) return Scan::end_of_file;
  if (c == '\n') return Scan::line_end;
  w.length = 0;
  while (c != EOF && c != '\n' && !is_blank(c)) {
    if (w.length < kWordCapacity) w.text[w.length] = static_cast<char>(c);
    if (w.length <= kWordCapacity) ++w.length;
    c = next_char(t);
  }
  w.text[w.length < kWordCapacity ? w.length : kWordCapacity] = '\0';
  if (c != EOF) put_back(t);
  return Scan::word;
}

// Skips blanks to the end of the line: line_end (consumed) or end_of_file
// when nothing else is there, word when something follows on the line.
Scan rest_of_line(MeshText& t) {
  int c = next_char(t);
  while (is_blank(c)) c = next_char(t);
  if (c == EOF) return Scan::end_of_file;
  if (c == '\n') return Scan::line_end;
  put_back(t);
  return Scan::word;
}

// Skips white space across lines.
void skip_white_space(MeshText& t) {
  int c = next_char(t);
  while (is_blank(c) || c == '\n') c = next_char(t);
  if (c != EOF) put_back(t);
}

// A skipped line as it stands, line end included: at most kLineLength
// characters before "\n" or "\r\n".
const int kLineBuffer = kLineLength + 3;
enum class LineScan { ok, too_long, end_of_file };

LineScan read_line(MeshText& t, char* txt_line) {
  int n = 0;
  for (;;) {
    if (n == kLineBuffer - 1) {
      txt_line[n] = '\0';
      return LineScan::too_long;
    }
    const int c = next_char(t);
    if (c == EOF) {
      txt_line[n] = '\0';
      return LineScan::end_of_file;
    }
    txt_line[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  txt_line[n] = '\0';
  const int content = n - 1 - ((n >= 2 && txt_line[n - 2] == '\r') ? 1 : 0);
  return content > kLineLength ? LineScan::too_long : LineScan::ok;
}

// A whole word that strtod reads completely.
bool parse_real(const Word& w, double& value) {
  if (w.length > kWordCapacity) return false;
  char* end = nullptr;
  value = std::strtod(w.text, &end);
  return end == w.text + w.length;
}

// A whole word that strtoll reads completely (in base 10); out_of_range when
// it does not fit a long long.
bool parse_integer(const Word& w, long long& value, bool& out_of_range) {
  if (w.length > kWordCapacity) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(w.text, &end, 10);
  out_of_range = errno == ERANGE;
  return end == w.text + w.length;
}

int report_malformed(const MeshText& t, const char* name, const char* near_word) {
  if (t.read_failed) return report_cannot_open(name);
  char near_text[kNearLength + 1];
  std::strncpy(near_text, near_word, kNearLength);
  near_text[kNearLength] = '\0';
  std::printf("--- ERROR! Malformed mesh GID file (%s) near '%s'!\n", name, near_text);
  return -7;
}

int report_node_out_of_range(const char* name, const char* element, const char* node, int nNodes) {
  std::printf("--- ERROR! Element %s refers to node %s outside 1..%d in mesh GID file (%s)!\n", element, node,
              nNodes, name);
  return -8;
}

// The first line: six words kept in buffers of 8, 10, 2, 9, 12 and 6
// characters, and the number of nodes per element.
struct Header {
  char word1[8], word2[10], word3[2], word4[9], word5[12], word6[6];
  long Nnode;
};

int read_header(MeshText& t, const char* name, Header& h) {
  char* const words[6] = {h.word1, h.word2, h.word3, h.word4, h.word5, h.word6};
  const int sizes[6] = {sizeof h.word1, sizeof h.word2, sizeof h.word3,
                        sizeof h.word4, sizeof h.word5, sizeof h.word6};
  Word w;
  for (int i = 0; i < 6; ++i) {
    if (read_word(t, true, w) == Scan::end_of_file) return report_malformed(t, name, kEndOfFile);
    if (w.length >= sizes[i]) return report_malformed(t, name, w.text);
    std::memcpy(words[i], w.text, static_cast<std::size_t>(w.length) + 1);
  }
  if (read_word(t, true, w) == Scan::end_of_file) return report_malformed(t, name, kEndOfFile);
  long long count = 0;
  bool out_of_range = false;
  if (!parse_integer(w, count, out_of_range) || out_of_range || count < LONG_MIN || count > LONG_MAX)
    return report_malformed(t, name, w.text);
  h.Nnode = static_cast<long>(count);
  skip_white_space(t);
  return 0;
}

void echo_header(std::FILE* control, const Header& h) {
  std::fprintf(control, "%s\n%s : %s\n%s : %s\n%s : %ld\n", h.word1, h.word2, h.word3, h.word4, h.word5,
               h.word6, h.Nnode);
}

int check_header(const Header& h) {
  if (std::strncmp(h.word1, "MESH", 4) != 0) {
    std::printf("--- ERROR! This is not a GID file (%s)!\n", h.word1);
    return -3;
  }
  if (h.word3[0] != '3') {
    std::printf("--- ERROR! This is not a file with 3D data ( %s)!\n", h.word3);
    return -4;
  }
  if (std::strncmp(h.word5, "Tetrahedra", 10) != 0) {
    std::printf("--- ERROR! Elements are not Tetrahedra ( %s)!\n", h.word5);
    return -5;
  }
  if (h.Nnode != 10) {
    std::printf("--- ERROR! Elements are not 10-nodes Tetrahedra (%ld)!\n", h.Nnode);
    return -6;
  }
  return 0;
}

// Reads the rest of the current line and echoes it with "%s\n".
int skip_line(MeshText& t, const char* name, std::FILE* control) {
  char txt_line[kLineBuffer];
  switch (read_line(t, txt_line)) {
    case LineScan::end_of_file:
      return report_malformed(t, name, kEndOfFile);
    case LineScan::too_long:
      return report_malformed(t, name, txt_line);
    case LineScan::ok:
      break;
  }
  if (control) std::fprintf(control, "%s\n", txt_line);
  return 0;
}

// The first word of a record: a label of at most kLabelLength characters, or
// a word beginning with "End" that closes the section (end_of_section).
int read_label(MeshText& t, const char* name, Word& label, bool& end_of_section) {
  if (read_word(t, true, label) == Scan::end_of_file) return report_malformed(t, name, kEndOfFile);
  end_of_section = std::strncmp(label.text, "End", 3) == 0;
  if (!end_of_section && label.length > kLabelLength) return report_malformed(t, name, label.text);
  return 0;
}

// One more field of the record of `label` on the same line.
int read_field(MeshText& t, const char* name, const Word& label, Word& field) {
  switch (read_word(t, false, field)) {
    case Scan::end_of_file:
      return report_malformed(t, name, kEndOfFile);
    case Scan::line_end:
      return report_malformed(t, name, label.text);
    case Scan::word:
      break;
  }
  return 0;
}

// The record of `label` ends here: nothing but blanks up to the line end.
int end_of_record(MeshText& t, const char* name, const Word& label) {
  return rest_of_line(t) == Scan::word ? report_malformed(t, name, label.text) : 0;
}

// The records of a section up to its "End" line: read_record(label) reads
// each record after its label and returns 0 or an error code; count is the
// number of records read.
template <class ReadRecord>
int read_section(MeshText& t, const char* name, int& count, ReadRecord read_record) {
  Word label;
  for (count = 0;; ++count) {
    bool end_of_section = false;
    int code = read_label(t, name, label, end_of_section);
    if (code != 0 || end_of_section) return code;
    if (count == INT_MAX) return report_malformed(t, name, label.text);  // more records than an int counts
    if ((code = read_record(label)) != 0) return code;
  }
}

// The n fields of the record of `label` on its line, each handed to
// take(field, k) (0 or an error code), then the end of the record.
template <class Take>
int read_fields(MeshText& t, const char* name, const Word& label, int n, Take take) {
  Word field;
  int code = 0;
  for (int k = 0; k < n; ++k) {
    if ((code = read_field(t, name, label, field)) != 0) return code;
    if ((code = take(field, k)) != 0) return code;
  }
  return end_of_record(t, name, label);
}

// Node lines "label x y z" up to the "End" line; count is the number read.
int read_nodes(MeshText& t, const char* name, const GidMeshSink& sink, int& count) {
  return read_section(t, name, count, [&](const Word& label) {
    double xyz[3];
    const int code = read_fields(t, name, label, 3, [&](const Word& field, int d) {
      return parse_real(field, xyz[d]) ? 0 : report_malformed(t, name, field.text);
    });
    if (code != 0) return code;
    if (sink.nodes) {
      FEM::NODE& node = sink.nodes[count];
      node.x = xyz[0];
      node.y = xyz[1];
      node.z = xyz[2];
    }
    if (sink.control) std::fprintf(sink.control, "%s %lf %lf %lf\n", label.text, xyz[0], xyz[1], xyz[2]);
    return 0;
  });
}

// Element lines "label n1 ... n10" (1-based node labels in GiD order) up to
// the "End" line; count is the number read.
int read_elements(MeshText& t, const char* name, const GidMeshSink& sink, int nNodes, int& count) {
  return read_section(t, name, count, [&](const Word& label) {
    int gid_nodes[10];
    const int code = read_fields(t, name, label, 10, [&](const Word& field, int k) {
      long long value = 0;
      bool out_of_range = false;
      if (field.length > kLabelLength || !parse_integer(field, value, out_of_range))
        return report_malformed(t, name, field.text);
      if (out_of_range || value < 1 || value > nNodes)
        return report_node_out_of_range(name, label.text, field.text, nNodes);
      gid_nodes[k] = static_cast<int>(value);
      return 0;
    });
    if (code != 0) return code;
    if (sink.elements) {
      int* Node_ID = sink.elements[count].Node_ID;
      for (int k = 0; k < 10; ++k) Node_ID[TH10G15::CA(k)] = gid_nodes[k] - 1;
    }
    if (sink.control) {
      const int* n = gid_nodes;  // "%s " and ten times "%d ", in one call
      std::fprintf(sink.control, "%s %d %d %d %d %d %d %d %d %d %d \n", label.text, n[0], n[1], n[2], n[3],
                   n[4], n[5], n[6], n[7], n[8], n[9]);
    }
    return 0;
  });
}

}  // namespace

std::FILE* open_gid_mesh(const char* name) {
  char name_mesh[kFileNameSize];
  if (!make_file_name(name_mesh, name, "_ascii.msh")) return nullptr;
  return std::fopen(name_mesh, "r");  // text mode
}

int report_cannot_open(const char* name) {
  std::printf("--- ERROR! Cannot open mesh GID file (%s)!\n", name);
  return -2;
}

int read_gid_mesh(std::FILE* mesh, const char* name, const GidMeshSink& sink, int& nNodes, int& nElements) {
  MeshText t;
  t.fid = mesh;
  t.read_failed = false;
  t.pos = t.len = 0;

  Header h;
  int code = read_header(t, name, h);
  if (code != 0) return code;
  if (sink.control) echo_header(sink.control, h);
  if ((code = check_header(h)) != 0) return code;
  if ((code = skip_line(t, name, sink.control)) != 0) return code;  // "Coordinates"

  int n_nodes = 0;
  if ((code = read_nodes(t, name, sink, n_nodes)) != 0) return code;
  if (sink.print_node_count) std::printf("--- Nodes: %d\n", n_nodes);
  if (sink.control) std::fprintf(sink.control, "--- Nodes: %d\n", n_nodes);
  // The rest of the "End Coordinates" line, the blank line and "Elements".
  for (int i = 0; i < 3; ++i)
    if ((code = skip_line(t, name, sink.control)) != 0) return code;

  int n_elements = 0;
  if ((code = read_elements(t, name, sink, n_nodes, n_elements)) != 0) return code;
  nNodes = n_nodes;
  nElements = n_elements;
  return 0;
}

}  // namespace detail
}  // namespace FiniteElementMethod
