// th10run: opening and closing result files, with errors as exceptions, and
// files replaced whole.
#ifndef TH10RUN_OUTPUT_FILES_H
#define TH10RUN_OUTPUT_FILES_H

#include <cstdio>
#include <stdexcept>
#include <string>

namespace th10run {

inline std::FILE* open_or_throw(const std::string& file, const char* mode) {
  std::FILE* f = std::fopen(file.c_str(), mode);
  if (!f) throw std::runtime_error("cannot write " + file);
  return f;
}

// Closes a written file; any earlier write error or a failed close throws.
inline void close_or_throw(std::FILE* f, const std::string& file) {
  const bool bad = std::ferror(f) != 0;
  if (std::fclose(f) != 0 || bad) throw std::runtime_error("error while writing " + file);
}

// A file replaced whole: written under a temporary name beside it, then
// renamed over it, so that a program killed at any moment leaves either the
// old file or the new one, never a part.
inline std::string temporary_name(const std::string& file) {
  return file + ".part";
}
inline std::FILE* open_replacement(const std::string& file) {
  return open_or_throw(temporary_name(file), "wb");
}
inline void close_replacement(std::FILE* f, const std::string& file) {
  close_or_throw(f, temporary_name(file));
  if (std::rename(temporary_name(file).c_str(), file.c_str()) != 0)
    throw std::runtime_error("cannot rename " + temporary_name(file) + " to " + file);
}

}  // namespace th10run

#endif
