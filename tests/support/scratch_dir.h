// A fresh temporary folder that is the working directory while the object
// lives, removed with everything in it afterwards: for tests of routines
// that write files of fixed names into the working directory. Shared by the
// library's and the program's tests.
#ifndef TH10FEM_TESTS_SCRATCH_DIR_H
#define TH10FEM_TESTS_SCRATCH_DIR_H

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace th10test {

class ScratchDir {
 public:
  ScratchDir() : previous_(std::filesystem::current_path().string()) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "th10fem-test-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    std::filesystem::current_path(path_ = tmpl);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::current_path(previous_, ec);
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string previous_, path_;
};

}  // namespace th10test

#endif
