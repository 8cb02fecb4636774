// The record manager's one entry point. Each data file is a keyed record file, opened
// into a 128-byte position block that the caller keeps and passes on every call for
// that file. The operation codes and statuses are those of the Btrieve interface.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orb {

enum BtrOp : uint16_t {
  kBtrOpen = 0, kBtrClose = 1, kBtrInsert = 2, kBtrUpdate = 3, kBtrDelete = 4,
  kBtrGetEqual = 5, kBtrGetNext = 6, kBtrGetPrevious = 7, kBtrGetGreater = 8,
  kBtrGetGreaterOrEqual = 9, kBtrGetLess = 10, kBtrGetLessOrEqual = 11,
  kBtrGetFirst = 12, kBtrGetLast = 13, kBtrCreate = 14, kBtrStat = 15,
  kBtrGetPosition = 22, kBtrGetDirect = 23, kBtrUnlock = 27, kBtrReset = 28,
  kBtrSingleNoWaitLock = 200,  // added to a get operation
};

enum BtrStatus : int16_t {
  kBtrOk = 0, kBtrInvalidOperation = 1, kBtrIoError = 2, kBtrFileNotOpen = 3,
  kBtrKeyNotFound = 4, kBtrDuplicateKey = 5, kBtrInvalidKeyNumber = 6,
  kBtrDifferentKeyNumber = 7, kBtrInvalidPositioning = 8, kBtrEndOfFile = 9,
  kBtrKeyNotModifiable = 10, kBtrFileNotFound = 12, kBtrDiskFull = 18,
  kBtrKeyBufferTooShort = 21, kBtrDataBufferTooShort = 22,
  kBtrInvalidRecordLength = 24,  // the published name of 24 is "page size error"
  kBtrPageSizeError = 24, kBtrCreateIoError = 25, kBtrNumberOfKeysError = 26,
  kBtrInvalidKeyPosition = 27, kBtrRecordLengthError = 28, kBtrInvalidKeyLength = 29,
  kBtrNotABtrieveFile = 30,
  kBtrInvalidRecordAddress = 43, kBtrInvalidKeyFlags = 45, kBtrAccessDenied = 46,
  kBtrInvalidSequence = 48, kBtrFileAlreadyExists = 59, kBtrConflict = 80,
  kBtrRecordInUse = 84, kBtrFileInUse = 85,
};

// The record manager cannot reach the data server: it is down, refuses the connection
// string or the password, holds no data files, or the connection broke.
inline constexpr int16_t kBtrServerUnavailable = 20;

// A SQLite data file is refused where it lies on a network file system (NFS, SMB/CIFS
// and others), whose locking SQLite cannot trust, unless ORBSQLITENETWORK=1;
// BtrLastServerError then says why and points to the data server.
inline constexpr int16_t kBtrNetworkFileSystem = 94;

constexpr int kPositionBlockSize = 128;
constexpr int kStatBufferSize = 1536;

// operation: one of BtrOp (gets may carry +200); position_block: 128 bytes;
// data_length: in, the size of data_buffer; out, the bytes returned; key_buffer: at
// least key_length bytes (255 for Stat). Returns the status.
// Neither buffer is read or written beyond its length. A get returns min(data length,
// record length) bytes (22 when that is short of the record) and writes min(key_length,
// key length) bytes of the record's key value into the key buffer, so pass the key
// buffer's size as key_length to receive the whole key; the searches (5, 8 to 11) read
// the key value from the key buffer and need key_length >= the key's length (21 if not).
int16_t BTRCALL(uint16_t operation, void* position_block, void* data_buffer,
                uint32_t* data_length, void* key_buffer, uint8_t key_length,
                int8_t key_number);

// Engine extension, not part of the Btrieve interface, for bulk loads (the data tool's
// import). After BtrBeginBulk, the Insert, Update and Delete calls on that open position
// block run inside one write transaction with a large page cache and are made durable
// only by BtrEndBulk. A bulk load that was not ended so (the block closed or reset,
// the process gone) is rolled back: none of its changes stay.
// Meanwhile the file's writers in other processes wait and then get 85; readers see
// the file as it was before BtrBeginBulk. Both return 0, 3 (block not open), 85 (the
// file's write lock is held elsewhere, BtrBeginBulk) or 2 (the commit failed: the bulk
// load's changes are then lost, BtrEndBulk).
int16_t BtrBeginBulk(void* position_block);
int16_t BtrEndBulk(void* position_block);

// Engine extension: the caller goes idle (waits for a key, returns to a form): every
// open position block lets go of its read snapshot and open scan (SQLite files) or what
// it read ahead (server files), so that a wait of any length neither holds back other
// programs' logs nor hides their changes from the next read. Places, record locks and
// bulk loads stay as they are: Get Next goes on from the same record.
void BtrIdle();

// Engine extension: where the installation keeps its data files, set once by the program
// before its first Open. With an empty server every file is a SQLite file. With a
// PostgreSQL connection string, a file named inside `root` (the installation root) lives
// on that server, known by its name relative to the root as the suite writes it
// ("DADES\PropietV", the ".dat" left out), without regard to case; files named
// elsewhere stay SQLite files. Only with `prepare_database` does a Create set up a
// database that holds no data files yet (the data tool does); otherwise such a database
// gets 20, as a server that cannot be reached does.
struct BtrSettings {
  std::string server;
  std::string root;
  bool prepare_database = false;
};
void BtrConfigure(const BtrSettings& settings);
// Engine extensions for the data tool: removes a data file (named as for Open: 12 when
// there is none, 85 while it is open anywhere); lists the data files of the configured
// server by their installation names (20 without a server).
int16_t BtrRemoveFile(const std::string& name);
int16_t BtrListServerFiles(std::vector<std::string>& names);
// What the last failure to reach the data server was, naming the server but never the
// password, or else why a SQLite data file was last refused (94); empty when there was
// neither.
std::string BtrLastServerError();
// The engine and server that serve an installation with this server setting, for
// display ("SQLite files" or "PostgreSQL server host=... dbname=...").
std::string BtrDescribeEngine(const std::string& server);

}  // namespace orb
