// th10run: the collection of the pieces of a mesh split over ranks: one
// .pvtu file per written increment names each rank's .vtu piece and the
// data arrays they hold, so that ParaView opens the whole mesh as one.
#ifndef TH10RUN_OUTPUT_PVTU_H
#define TH10RUN_OUTPUT_PVTU_H

#include <string>
#include <vector>

#include "vtu.h"

namespace th10run {

// The piece file of a rank: "<stem>_<rank>.vtu".
std::string piece_name(const std::string& stem, int rank);

// A .pvtu over the pieces of ranks 0 .. ranks - 1 of `stem`, which hold the given arrays.
void write_pvtu(const std::string& file, const std::string& stem, int ranks,
                const std::vector<VtuArray>& arrays);

}  // namespace th10run

#endif
