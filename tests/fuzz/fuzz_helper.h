// What the fuzz targets share: a work directory of their own for the process, the input
// bytes put into a file there for readers that take a file name, and a session whose
// directories all point into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/session.h"

namespace orb::fuzz {

// The work directory as a suite name, ending with "/"; created on first use and removed
// when the process ends.
const std::string& WorkDir();

// Writes the bytes into WorkDir() + relative (a suite name, folders created) and
// returns that name.
std::string PutFile(std::string_view relative, const uint8_t* data, size_t size);

// A session rooted in WorkDir(), language `language`.
Session WorkSession(std::string_view language = "SPA");

// The input cut at its first line feed: the part before it and the part after it.
struct SplitInput {
  std::string_view head;
  std::string_view rest;
};
SplitInput SplitAtLineFeed(const uint8_t* data, size_t size);

}  // namespace orb::fuzz
