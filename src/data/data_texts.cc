// The data layer's fixed texts and the splitting of data file names.
#include "data/file_table.h"

namespace orb {

std::string OpenFailureText(std::string_view language) {
  if (language == "SPA") return "NO SE PUEDE ACCEDER AL FICHERO ";
  if (language == "GLG") return "NOM SE PODE ACEDER AO FICHEIRO ";
  if (language == "OCI") return "NON SE P\xe3T ACCEDIR ATH FICH\xd4R ";
  return "NO ES POT ACCEDIR AL FITXER ";
}

std::string LockWaitText(std::string_view language) {
  if (language == "SPA") return "FICHERO BLOQUEADO. ESPERE UN MOMENTO.";
  if (language == "GLG") return "FICHEIRO BLOQUEADO. ESPERE UM MOMENTO.";
  if (language == "OCI") return "FICH\xd4R BLOQUEJAT. ESPERATZ UN MOMENT.";
  return "FITXER BLOQUEJAT. ESPEREU UN MOMENT.";
}

DataFileName SplitDataFileName(std::string_view name) {
  size_t component = 0;  // where the last component begins
  size_t dot = std::string_view::npos;
  for (size_t i = name.size(); i-- > 0;) {
    const char c = name[i];
    if (c == ':' || c == '\\' || c == '/') {
      component = i + 1;
      break;
    }
    if (c == '.') dot = i;
  }
  DataFileName parts;
  parts.directory = std::string(name.substr(0, component));
  if (dot == std::string_view::npos) {
    parts.base = std::string(name.substr(component));
    parts.extension = ".dat";
  } else {
    parts.base = std::string(name.substr(component, dot - component));
    parts.extension = std::string(name.substr(dot));
  }
  return parts;
}

}  // namespace orb
