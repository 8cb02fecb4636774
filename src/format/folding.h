// FoldText: capitals for code page 850 text by table, without any locale. Either the
// accents are kept (headings), or letters lose their accents and every other byte from
// 64 to 237 becomes a space (matching typed letters against stored text). Bytes below 64
// and above 237 are never changed; the length never changes.
#pragma once

#include <string>
#include <string_view>

namespace orb {

std::string FoldText(std::string_view text, bool strip_accents = false);

}  // namespace orb
