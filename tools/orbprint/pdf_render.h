// PDF of laid-out pages: A4 portrait pages in the standard Courier font with
// WinAnsiEncoding, each item at its column in its own pitch (pica 10, elite 12,
// condensed 17 characters per inch) and six lines per inch, the whole document scaled
// down evenly when its widest line or longest page would not fit within 1 cm margins.
// Code page 850 letters map to WinAnsi; box-drawing and shade characters, which WinAnsi
// lacks, become "-", "=", "|", "+" and "#".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "orbprint/page_layout.h"

namespace orb::print {

// Code page 850 text as WinAnsi bytes.
std::string ToWinAnsi(std::string_view cp850_text);

// A complete PDF file; an empty document gives one blank page.
std::string RenderPdf(const std::vector<Page>& pages);

}  // namespace orb::print
