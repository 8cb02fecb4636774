// Plain text of laid-out pages: every item written at its column on a grid of characters
// (a later item overwrites an earlier one where they meet), trailing blanks and trailing
// empty lines of each page dropped. Pitch plays no part.
#pragma once

#include <string>
#include <vector>

#include "orbprint/page_layout.h"

namespace orb::print {

// The lines of one page, code page 850.
std::vector<std::string> PageLines(const Page& page);

// UTF-8 text, lines ending with LF, a form feed at the start of every page after the
// first: for text files and printer queues.
std::string RenderText(const std::vector<Page>& pages);

// UTF-8 text for reading on the screen: pages separated by a ruled line naming the page.
std::string RenderPreview(const std::vector<Page>& pages);

}  // namespace orb::print
