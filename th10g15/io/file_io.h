// File-name, file-writing and file-closing helpers shared by the file routines.
#ifndef TH10FEM_TH10G15_FILE_IO_H
#define TH10FEM_TH10G15_FILE_IO_H

#include <cstdio>

namespace FiniteElementMethod {
namespace detail {

// Size of every file-name buffer: names of at most 254 characters.
const int kFileNameSize = 255;

// Writes name followed by suffix into file_name (kFileNameSize characters).
// Returns false, leaving file_name empty, when the result does not fit.
bool make_file_name(char* file_name, const char* name, const char* suffix);

// Closes a file that was written. Returns false when any earlier write or the
// close itself failed (a full disk, a file-size limit), true otherwise.
bool close_written(std::FILE* fid);

// Opens the file name + suffix in `mode` ("w" or "a", text mode), has
// write(fid) write it and closes it. When the file cannot be opened, or a
// write or the close fails, prints `error` (a printf format that may quote
// the name with %s) and returns false.
template <class Write>
bool write_named_file(const char* name, const char* suffix, const char* mode, const char* error,
                      Write write) {
  char file_name[kFileNameSize];
  std::FILE* fid = make_file_name(file_name, name, suffix) ? std::fopen(file_name, mode) : nullptr;
  if (fid != nullptr) {
    write(fid);
    if (close_written(fid)) return true;
  }
  std::printf(error, name);
  return false;
}

}  // namespace detail
}  // namespace FiniteElementMethod

#endif
