// A fresh directory per test, removed afterwards, with helpers to write files in it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace orb::testing {

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("orbtest_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
            info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // The directory as the suite names directories: ending in a backslash.
  std::string Dir() const { return dir_.string() + "\\"; }

  void Write(const std::string& relative, const std::string& content) {
    const auto path = dir_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }
  std::string Read(const std::string& relative) const {
    std::ifstream in(dir_ / relative, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  bool Exists(const std::string& relative) const {
    return std::filesystem::exists(dir_ / relative);
  }

  std::filesystem::path dir_;
};

}  // namespace orb::testing
