// th10run: the .pvtu collection of VTU pieces.
#include "pvtu.h"

#include <cstdio>

#include "files.h"

namespace th10run {

std::string piece_name(const std::string& stem, int rank) {
  return stem + "_" + std::to_string(rank) + ".vtu";
}

void write_pvtu(const std::string& file, const std::string& stem, int ranks,
                const std::vector<VtuArray>& arrays) {
  std::FILE* f = open_replacement(file);
  std::fprintf(f,
               "<?xml version=\"1.0\"?>\n"
               "<VTKFile type=\"PUnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
               "header_type=\"UInt64\">\n"
               "  <PUnstructuredGrid GhostLevel=\"0\">\n"
               "    <PPoints>\n"
               "      <PDataArray type=\"Float64\" Name=\"Points\" NumberOfComponents=\"3\"/>\n"
               "    </PPoints>\n");
  for (const bool cell : {false, true}) {
    std::fprintf(f, cell ? "    <PCellData>\n" : "    <PPointData>\n");
    for (const VtuArray& a : arrays)
      if (a.cell == cell)
        std::fprintf(f, "      <PDataArray type=\"Float64\" Name=\"%s\" NumberOfComponents=\"%d\"/>\n",
                     a.name.c_str(), a.components);
    std::fprintf(f, cell ? "    </PCellData>\n" : "    </PPointData>\n");
  }
  for (int r = 0; r < ranks; ++r)
    std::fprintf(f, "    <Piece Source=\"%s\"/>\n", piece_name(stem, r).c_str());
  std::fprintf(f, "  </PUnstructuredGrid>\n</VTKFile>\n");
  close_replacement(f, file);
}

}  // namespace th10run
