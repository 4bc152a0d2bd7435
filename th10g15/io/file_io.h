// File-name and file-closing helpers shared by the file routines.
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

}  // namespace detail
}  // namespace FiniteElementMethod

#endif
