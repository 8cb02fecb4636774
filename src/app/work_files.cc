#include "app/work_files.h"

#include "platform/cp850.h"
#include "platform/host_path.h"
#include "ui/browse_file.h"
#include "ui/window_stack.h"

namespace orb {

bool CheckWorkDirectory(const Session& session, std::string& message) {
  std::string reason;
  if (IsUsableWorkDirectory(session.TempDir, reason)) return true;
  const std::string shown =
      session.TempDir.empty() ? std::string("the current directory")
                              : HostPath(session.TempDir).value_or(cp850::ToUtf8(session.TempDir));
  message = "the work directory " + shown + " (ORBTMP) cannot be used: " + reason;
  return false;
}

std::vector<std::string> ScreenRunWorkFiles(const Session& session) {
  return {session.TempDir + kWindowStackFile, session.TempDir + kBrowseWorkFile};
}

void RemoveScreenRunWorkFiles(const Session& session) {
  for (const std::string& name : ScreenRunWorkFiles(session)) RemoveFile(name);
}

}  // namespace orb
