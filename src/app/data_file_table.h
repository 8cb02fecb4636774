// The run's table of data files, over the program's own record manager (BTRCALL, told
// where the installation keeps its files) or over one the caller hands in (tests that
// make reads fail).
#pragma once

#include <memory>

#include "core/session.h"
#include "data/file_table.h"

namespace orb {

// `records` null: the program's own record manager. Otherwise `records` must outlive
// the table; lock retries then pause for a fixed half of their longest wait.
std::unique_ptr<FileTable> MakeFileTable(const Session& session, DataMessages& messages,
                                         RecordManager* records);

}  // namespace orb
