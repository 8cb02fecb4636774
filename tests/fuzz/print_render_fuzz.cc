// A print file laid out on pages and rendered as text, preview and PDF.
#include "orbprint/page_layout.h"
#include "orbprint/pdf_render.h"
#include "orbprint/print_document.h"
#include "orbprint/text_render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orb::print::PrintDocument document;
  const auto parsed = orb::print::ParsePrintDocument(
      std::string_view(reinterpret_cast<const char*>(data), size), document);
  if (!parsed.ok) return 0;
  const std::vector<orb::print::Page> pages = orb::print::LayOutPages(document);
  orb::print::RenderText(pages);
  orb::print::RenderPreview(pages);
  orb::print::RenderPdf(pages);
  return 0;
}
