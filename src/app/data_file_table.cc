#include "app/data_file_table.h"

#include "platform/btrieve/btrieve.h"
#include "platform/cp850.h"

namespace orb {

std::unique_ptr<FileTable> MakeFileTable(const Session& session, DataMessages& messages,
                                         RecordManager* records) {
  if (records == nullptr) return std::make_unique<FileTable>(session, messages);
  // A record manager that passes calls on to BTRCALL finds the files where the
  // program's own would.
  BtrSettings settings;
  settings.server = cp850::ToUtf8(session.DataServer);
  settings.root = session.RootDir;
  BtrConfigure(settings);
  return std::make_unique<FileTable>(session, messages, *records, [] { return 0.5; });
}

}  // namespace orb
