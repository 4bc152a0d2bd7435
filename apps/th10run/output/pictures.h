// th10run: PNG pictures of the results, drawn after the run by the project's
// Python scripts (matplotlib for the curves, VTK for the mesh) from the
// result files in the working directory:
//   NAME.png (NAME_MONITOR.png with several monitors)  each load-displacement curve
//   NAME_srf.png                                       the SRF-displacement curve of a safety phase
//   NAME_phaseK_*.png                                  the mesh at the end of each phase
#ifndef TH10RUN_OUTPUT_PICTURES_H
#define TH10RUN_OUTPUT_PICTURES_H

#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "boundary.h"
#include "input/problem.h"

namespace th10run {

// Runs the scripts of the folder `scripts` on the curves and VTU files that
// the output settings wrote; the SRF curve, with the factor of safety, when
// a safety phase ran.
// Returns the pictures written. A script that finds its library missing
// (exit status 2) leaves a note on standard output when the problem left
// the pictures at their default, and throws std::runtime_error when it asked
// for them (plots = true); any other failure throws.
std::vector<std::string> draw_pictures(const Problem& p, const std::vector<Monitor>& monitors,
                                       const SafetyResult& safety, const std::string& scripts);

}  // namespace th10run

#endif
