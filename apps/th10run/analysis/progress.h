// th10run: what the analysis prints while it runs: one line per committed
// increment (and per iteration when verbose), a progress bar after it when
// standard output is a terminal.
#ifndef TH10RUN_ANALYSIS_PROGRESS_H
#define TH10RUN_ANALYSIS_PROGRESS_H

namespace th10run {

class Progress {
 public:
  Progress(bool quiet, bool verbose);
  // A line (printf format), written over the bar.
  void line(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
  // The residual of one iteration, when verbose.
  void iteration(int k, double residual);
  // The bar at load factor lambda (0 to 1); clear() removes it.
  void bar(double lambda);
  void clear();

 private:
  bool quiet_, verbose_, terminal_;
};

}  // namespace th10run

#endif
