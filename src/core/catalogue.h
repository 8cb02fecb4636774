// Catalogue: the module's texts in the operator's language. The program writes its texts
// in Catalan and uses them as keys; the catalogue file RootDir + "LOCALE\" + name + ".LNG"
// holds records of four items (the Catalan key, then the Spanish, Galician and Aranese
// texts). Every lookup reads the file afresh, so an edited catalogue is seen at once.
// Lines end in CR LF or LF; a UTF-8 file is read as its code page 850 text.
#pragma once

#include <string>
#include <string_view>

#include "core/session.h"

namespace orb {

class Catalogue {
 public:
  // Files beyond this size are read only up to it.
  static constexpr size_t kMaxFileBytes = size_t{16} << 20;

  explicit Catalogue(const Session& session, std::string module_name = kModuleName)
      : session_(session), module_name_(std::move(module_name)) {}

  // The text for `key` in the session's language: the key itself in a Catalan ("CAT")
  // session (no file is touched), when the language is not one of the four, and when the
  // catalogue has no record for it. Otherwise the first record whose key matches byte for
  // byte gives its item. Creates an empty catalogue file when there is none.
  std::string Translate(std::string_view key);

  // The stem of the catalogue file name: empty until the first lookup needs the file.
  const std::string& CatalogueName() const { return catalogue_name_; }

 private:
  const Session& session_;
  const std::string module_name_;
  std::string catalogue_name_;
};

}  // namespace orb
