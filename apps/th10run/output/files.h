// th10run: opening and closing result files, with errors as exceptions.
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

}  // namespace th10run

#endif
