// PgConnection: one libpq connection to the data server, as one position block uses it.
// It runs statements with binary parameters and results, prepares each statement once,
// listens for the change notices the engines send when they commit to a data file, and
// turns server failures into record manager statuses and into messages that name the
// server but never its password.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace orb::btr::pg {

// The connection string as it may be shown: every setting but the password, in
// key=value form ("host=/run/pg port=5432 dbname=agency user=orb"). A string that does
// not parse is shown as "(connection string not understood)".
std::string DescribeServer(const std::string& conninfo);

// A result, freed when it goes.
class PgResult {
 public:
  PgResult() = default;
  explicit PgResult(pg_result* result) : result_(result) {}
  ~PgResult();
  PgResult(PgResult&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
  PgResult& operator=(PgResult&& other) noexcept;
  PgResult(const PgResult&) = delete;
  PgResult& operator=(const PgResult&) = delete;

  int Rows() const;
  bool IsNull(int row, int column) const;
  std::string_view Bytes(int row, int column) const;
  // A binary int8 / int4 / bool column.
  int64_t Int64(int row, int column) const;
  int32_t Int32(int row, int column) const;
  bool Bool(int row, int column) const;

 private:
  pg_result* result_ = nullptr;
};

// One statement parameter, sent in binary: bytes (bytea), a 64-bit or 32-bit integer,
// or NULL.
class PgParams {
 public:
  PgParams& Bytes(std::string_view bytes);
  PgParams& Int64(int64_t value);
  PgParams& Int32(int32_t value);
  PgParams& Null();
  PgParams& Text(std::string_view text);
  size_t Count() const { return values_.size(); }
  void Clear();

 private:
  friend class PgConnection;
  std::deque<std::string> owned_;  // integer and text images; a deque keeps them in place
  std::vector<const char*> values_;
  std::vector<int> lengths_;
  std::vector<int> formats_;
  std::vector<unsigned> types_;
};

class PgConnection {
 public:
  // Connects. Returns 0, or 20 with `error` saying why (naming the server, never the
  // password).
  static int16_t Connect(const std::string& conninfo, std::unique_ptr<PgConnection>& out,
                         std::string& error);
  ~PgConnection();
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  // Runs a statement without parameters (text results). Returns the status.
  int16_t Exec(const std::string& sql, PgResult* result = nullptr);
  // Runs `sql` with binary parameters and results; prepared once under `name` when a
  // name is given.
  int16_t Run(const char* name, const std::string& sql, const PgParams& params,
              PgResult& result);
  // Sends COPY data (binary format) for a COPY ... FROM STDIN that `sql` starts.
  int16_t Copy(const std::string& sql, std::string_view data);

  // Listens for the change notices on `channel` (an identifier).
  int16_t Listen(const std::string& channel);
  // Reads what the server has sent without waiting; the number of notices from other
  // connections that arrived since the last call. -1 when the connection is gone.
  int TakeNotices();
  bool Alive() const;

  // The SQLSTATE of the last failure ("23505" for a unique key), empty when none.
  const std::string& LastState() const { return last_state_; }
  // The last failure in words, with the server named, for messages.
  const std::string& LastError() const { return last_error_; }
  const std::string& Server() const { return server_; }

  // In a forked child: the socket belongs to the parent's session; never close it.
  void Abandon() { abandoned_ = true; }

 private:
  PgConnection(pg_conn* conn, std::string server);
  int16_t Fail(pg_result* result);

  pg_conn* conn_;
  std::string server_;
  std::string last_state_;
  std::string last_error_;
  std::vector<std::string> prepared_;
  void DrainNotices();

  int backend_pid_ = 0;
  int notices_ = 0;
  bool abandoned_ = false;
};

}  // namespace orb::btr::pg
