#include "core/catalogue.h"

#include <cstdio>

#include "core/item_reader.h"
#include "core/text_file.h"
#include "platform/host_path.h"

namespace orb {

std::string Catalogue::Translate(std::string_view key) {
  const std::string& language = session_.Language;
  if (language == "CAT") return std::string(key);
  if (catalogue_name_.empty()) catalogue_name_ = module_name_;

  const std::string file = session_.RootDir + "LOCALE\\" + catalogue_name_ + ".LNG";
  if (std::FILE* created = OpenFile(file, "ab")) std::fclose(created);

  std::string bytes;
  if (!ReadFile(file, bytes, kMaxFileBytes)) return std::string(key);
  const std::string text = WithCrLfLineEnds(TextFileAsCp850(bytes));

  ItemReader reader(text);
  while (!reader.AtEnd()) {
    std::string catalan = reader.ReadText();
    if (reader.AtEnd()) break;  // a record cut short after its key
    std::string spanish = reader.ReadText();
    std::string galician = reader.ReadText();
    std::string aranese = reader.ReadText();
    if (catalan != key) continue;
    if (language == "SPA") return spanish;
    if (language == "GLG") return galician;
    if (language == "OCI") return aranese;
    break;
  }
  return std::string(key);
}

}  // namespace orb
