#include "file_io.h"

#include <cstring>

namespace FiniteElementMethod {
namespace detail {

bool make_file_name(char* file_name, const char* name, const char* suffix) {
  const std::size_t n_name = std::strlen(name);
  const std::size_t n_suffix = std::strlen(suffix);
  file_name[0] = '\0';
  if (n_name + n_suffix >= static_cast<std::size_t>(kFileNameSize)) return false;
  std::memcpy(file_name, name, n_name);
  std::memcpy(file_name + n_name, suffix, n_suffix + 1);
  return true;
}

bool close_written(std::FILE* fid) {
  // fflush pushes out what is still buffered, so its failure shows in ferror.
  const bool flushed = std::fflush(fid) == 0;
  const bool written = std::ferror(fid) == 0;
  const bool closed = std::fclose(fid) == 0;
  return flushed && written && closed;
}

}  // namespace detail
}  // namespace FiniteElementMethod
