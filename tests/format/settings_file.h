// A Vora.ini written for one test in its own temporary directory.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace orb {

class VoraIni {
 public:
  explicit VoraIni(const std::string& content) {
    dir_ = std::filesystem::temp_directory_path() /
           ("vora_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
            std::to_string(counter_++));
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / "Vora.ini", std::ios::binary) << content;
  }
  ~VoraIni() { std::filesystem::remove_all(dir_); }
  std::string path() const { return (dir_ / "Vora.ini").string(); }
  void Rewrite(const std::string& content) const {
    std::ofstream(dir_ / "Vora.ini", std::ios::binary) << content;
  }

 private:
  static inline int counter_ = 0;
  std::filesystem::path dir_;
};

// Settings with every default: the file does not exist.
inline std::string MissingVoraIni() { return "/nonexistent-orb-dir/Vora.ini"; }

}  // namespace orb
