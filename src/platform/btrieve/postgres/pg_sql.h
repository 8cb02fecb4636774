// The SQL of the server engine (see POSTGRES.md beside the record manager): the
// catalogue, a data file's table, and the statements one open file runs on it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/btrieve/key_layout.h"

namespace orb::btr::pg {

inline constexpr int kFormatVersion = 1;
// The first half of the advisory lock keys that guard a file as a whole ("ORB1").
inline constexpr int32_t kFileLockClass = 0x4F524231;

std::string CatalogueSql();
// The table, indexes and position sequence of the file with catalogue id `id`.
std::string FileTableSql(int64_t id, const FileLayout& layout);
std::string TableName(int64_t id);
std::string SequenceName(int64_t id);
// The column of key k's images.
std::string KeyColumn(size_t k);
// The channel the changes of a file (by its table's OID) are notified on.
std::string ChangeChannel(uint32_t oid);

// Rows along key k in key order, from place ($1 image, $2 position) onwards (forward)
// or backwards, at most $3 of them: image, position, data.
std::string ScanSql(const std::string& table, const KeyDef& key, size_t k, bool forward);
// The same, followed by one marker row (data NULL): the first row from place ($4, $5)
// on, which tells whether anything lies between an earlier stretch and this one.
std::string JoinedScanSql(const std::string& table, const KeyDef& key, size_t k);
// The first row from place ($1, $2) in the direction, taking this connection's record
// lock on it ($3: the lock key base; $4: the lock key held now, 0 for none; $5: 1 when
// only a row of image $1 may be locked): image, position, data, whether the lock was
// had (NULL when the row is not of image $1 and $5 asks for it).
std::string LockedScanSql(const std::string& table, const KeyDef& key, size_t k,
                          bool forward);

}  // namespace orb::btr::pg
