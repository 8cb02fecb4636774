#include "platform/btrieve/postgres/pg_connection.h"

#include <endian.h>
#include <libpq-fe.h>

#include <algorithm>
#include <cstring>

#include "platform/btrieve/btrieve.h"

namespace orb::btr::pg {
namespace {

constexpr unsigned kByteaOid = 17, kInt8Oid = 20, kInt4Oid = 23, kTextOid = 25;

// The values of the connection string that a message must never show.
std::vector<std::string> Secrets(const std::string& conninfo) {
  std::vector<std::string> secrets;
  char* error = nullptr;
  if (PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error)) {
    for (PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
      if (o->val != nullptr && *o->val != '\0' && std::strcmp(o->keyword, "password") == 0) {
        secrets.emplace_back(o->val);
      }
    }
    PQconninfoFree(options);
  }
  if (error != nullptr) PQfreemem(error);
  // A string that does not parse may still carry one: after "password=", or between
  // the user and the host of a URI.
  for (size_t at = conninfo.find("password="); at != std::string::npos;
       at = conninfo.find("password=", at + 1)) {
    const size_t begin = at + 9;
    const size_t end = conninfo.find_first_of(" \t'&", begin);
    secrets.push_back(conninfo.substr(begin, end == std::string::npos ? end : end - begin));
  }
  if (const size_t scheme = conninfo.find("://"); scheme != std::string::npos) {
    const size_t at = conninfo.find('@', scheme);
    const size_t colon = conninfo.find(':', scheme + 3);
    if (at != std::string::npos && colon != std::string::npos && colon < at) {
      secrets.push_back(conninfo.substr(colon + 1, at - colon - 1));
    }
  }
  secrets.erase(std::remove(secrets.begin(), secrets.end(), std::string()), secrets.end());
  return secrets;
}

std::string Scrub(std::string text, const std::vector<std::string>& secrets) {
  for (const std::string& secret : secrets) {
    for (size_t at = text.find(secret); at != std::string::npos;
         at = text.find(secret, at + 3)) {
      text.replace(at, secret.size(), "***");
    }
  }
  return text;
}

// libpq's message, on one line.
std::string OneLine(const char* message) {
  std::string text = message == nullptr ? "" : message;
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

int16_t StatusOfState(const std::string& state) {
  if (state == "23505") return kBtrDuplicateKey;
  if (state == "53100" || state == "2200H") return kBtrDiskFull;  // disk; positions run out
  if (state == "42501" || state == "25006") return kBtrAccessDenied;
  if (state == "55P03" || state == "40001" || state == "40P01") return kBtrFileInUse;
  if (state.rfind("08", 0) == 0 || state.rfind("57P", 0) == 0) return kBtrServerUnavailable;
  return kBtrIoError;
}

}  // namespace

std::string DescribeServer(const std::string& conninfo) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
  if (error != nullptr) PQfreemem(error);
  if (options == nullptr) return "(connection string not understood)";
  std::string text;
  for (PQconninfoOption* o = options; o->keyword != nullptr; ++o) {
    if (o->val == nullptr || *o->val == '\0' || std::strcmp(o->keyword, "password") == 0) {
      continue;
    }
    std::string value = o->val;
    if (value.find_first_of(" '\\") != std::string::npos) {
      std::string quoted = "'";
      for (char c : value) {
        if (c == '\'' || c == '\\') quoted += '\\';
        quoted += c;
      }
      value = quoted + "'";
    }
    if (!text.empty()) text += ' ';
    text += std::string(o->keyword) + "=" + value;
  }
  PQconninfoFree(options);
  return text;
}

PgResult::~PgResult() {
  if (result_ != nullptr) PQclear(result_);
}

PgResult& PgResult::operator=(PgResult&& other) noexcept {
  if (this != &other) {
    if (result_ != nullptr) PQclear(result_);
    result_ = other.result_;
    other.result_ = nullptr;
  }
  return *this;
}

int PgResult::Rows() const { return result_ ? PQntuples(result_) : 0; }

bool PgResult::IsNull(int row, int column) const {
  return result_ == nullptr || PQgetisnull(result_, row, column);
}

std::string_view PgResult::Bytes(int row, int column) const {
  if (IsNull(row, column)) return {};
  return {PQgetvalue(result_, row, column),
          static_cast<size_t>(PQgetlength(result_, row, column))};
}

int64_t PgResult::Int64(int row, int column) const {
  const std::string_view b = Bytes(row, column);
  if (b.size() == 8) {
    uint64_t v;
    std::memcpy(&v, b.data(), 8);
    return static_cast<int64_t>(be64toh(v));
  }
  if (b.size() == 4) return Int32(row, column);
  return 0;
}

int32_t PgResult::Int32(int row, int column) const {
  const std::string_view b = Bytes(row, column);
  if (b.size() != 4) return 0;
  uint32_t v;
  std::memcpy(&v, b.data(), 4);
  return static_cast<int32_t>(be32toh(v));
}

bool PgResult::Bool(int row, int column) const {
  const std::string_view b = Bytes(row, column);
  return b.size() == 1 && b[0] != 0;
}

PgParams& PgParams::Bytes(std::string_view bytes) {
  values_.push_back(bytes.data() != nullptr ? bytes.data() : "");
  lengths_.push_back(static_cast<int>(bytes.size()));
  formats_.push_back(1);
  types_.push_back(kByteaOid);
  return *this;
}

PgParams& PgParams::Int64(int64_t value) {
  const uint64_t be = htobe64(static_cast<uint64_t>(value));
  owned_.emplace_back(reinterpret_cast<const char*>(&be), 8);
  values_.push_back(owned_.back().data());
  lengths_.push_back(8);
  formats_.push_back(1);
  types_.push_back(kInt8Oid);
  return *this;
}

PgParams& PgParams::Int32(int32_t value) {
  const uint32_t be = htobe32(static_cast<uint32_t>(value));
  owned_.emplace_back(reinterpret_cast<const char*>(&be), 4);
  values_.push_back(owned_.back().data());
  lengths_.push_back(4);
  formats_.push_back(1);
  types_.push_back(kInt4Oid);
  return *this;
}

PgParams& PgParams::Null() {
  values_.push_back(nullptr);
  lengths_.push_back(0);
  formats_.push_back(1);
  types_.push_back(kByteaOid);
  return *this;
}

PgParams& PgParams::Text(std::string_view text) {
  owned_.emplace_back(text);
  values_.push_back(owned_.back().c_str());
  lengths_.push_back(static_cast<int>(text.size()));
  formats_.push_back(0);
  types_.push_back(kTextOid);
  return *this;
}

void PgParams::Clear() {
  owned_.clear();
  values_.clear();
  lengths_.clear();
  formats_.clear();
  types_.clear();
}

int16_t PgConnection::Connect(const std::string& conninfo, std::unique_ptr<PgConnection>& out,
                              std::string& error) {
  out.reset();
  const std::string server = "PostgreSQL server " + DescribeServer(conninfo);
  // The connection string's own settings win over these defaults.
  const char* keywords[] = {"connect_timeout", "application_name", "dbname", nullptr};
  const char* values[] = {"10", "orb", conninfo.c_str(), nullptr};
  pg_conn* conn = PQconnectdbParams(keywords, values, 1);
  if (conn == nullptr || PQstatus(conn) != CONNECTION_OK) {
    error = server + ": " +
            Scrub(OneLine(conn ? PQerrorMessage(conn) : "out of memory"), Secrets(conninfo));
    if (conn != nullptr) PQfinish(conn);
    return kBtrServerUnavailable;
  }
  std::unique_ptr<PgConnection> connection(new PgConnection(conn, server));
  // Quiet: notices (such as "table already exists, skipping") are not for the operator.
  PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
  out = std::move(connection);
  return kBtrOk;
}

PgConnection::PgConnection(pg_conn* conn, std::string server)
    : conn_(conn), server_(std::move(server)), backend_pid_(PQbackendPID(conn)) {}

PgConnection::~PgConnection() {
  if (abandoned_) return;
  // The server lets go of a session's locks only once its process has seen the connection
  // end, a moment after this one has gone on: give them back first, so that a file or
  // record closed here is free for the next opener at once. Whatever was not committed
  // goes with the rollback.
  if (Alive()) {
    PQclear(PQexec(conn_, "ROLLBACK"));
    PQclear(PQexec(conn_, "SELECT pg_advisory_unlock_all()"));
  }
  PQfinish(conn_);
}

bool PgConnection::Alive() const { return PQstatus(conn_) == CONNECTION_OK; }

int16_t PgConnection::Fail(pg_result* result) {
  DrainNotices();
  const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  last_state_ = state ? state : "";
  last_error_ = server_ + ": " +
                OneLine(result ? PQresultErrorMessage(result) : PQerrorMessage(conn_));
  if (last_error_.size() == server_.size() + 2) last_error_ += OneLine(PQerrorMessage(conn_));
  if (result) PQclear(result);
  if (PQstatus(conn_) != CONNECTION_OK) return kBtrServerUnavailable;
  return StatusOfState(last_state_);
}

int16_t PgConnection::Exec(const std::string& sql, PgResult* result) {
  pg_result* r = PQexec(conn_, sql.c_str());
  const ExecStatusType st = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
  if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) return Fail(r);
  last_state_.clear();
  DrainNotices();
  if (result != nullptr) {
    *result = PgResult(r);
  } else {
    PQclear(r);
  }
  return kBtrOk;
}

int16_t PgConnection::Run(const char* name, const std::string& sql, const PgParams& params,
                          PgResult& result) {
  const int n = static_cast<int>(params.Count());
  pg_result* r = nullptr;
  if (name == nullptr) {
    r = PQexecParams(conn_, sql.c_str(), n, params.types_.data(), params.values_.data(),
                     params.lengths_.data(), params.formats_.data(), 1);
  } else {
    if (std::find(prepared_.begin(), prepared_.end(), name) == prepared_.end()) {
      pg_result* p = PQprepare(conn_, name, sql.c_str(), n, params.types_.data());
      if (p == nullptr || PQresultStatus(p) != PGRES_COMMAND_OK) return Fail(p);
      PQclear(p);
      prepared_.emplace_back(name);
    }
    r = PQexecPrepared(conn_, name, n, params.values_.data(), params.lengths_.data(),
                       params.formats_.data(), 1);
  }
  const ExecStatusType st = r ? PQresultStatus(r) : PGRES_FATAL_ERROR;
  if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) return Fail(r);
  last_state_.clear();
  DrainNotices();
  result = PgResult(r);
  return kBtrOk;
}

int16_t PgConnection::Copy(const std::string& sql, std::string_view data) {
  pg_result* r = PQexec(conn_, sql.c_str());
  if (r == nullptr || PQresultStatus(r) != PGRES_COPY_IN) return Fail(r);
  PQclear(r);
  constexpr size_t kChunk = 1 << 20;
  bool sent = true;
  for (size_t at = 0; at < data.size() && sent; at += kChunk) {
    const size_t n = std::min(kChunk, data.size() - at);
    sent = PQputCopyData(conn_, data.data() + at, static_cast<int>(n)) == 1;
  }
  if (PQputCopyEnd(conn_, sent ? nullptr : "the data could not be sent") != 1) {
    return Fail(nullptr);
  }
  int16_t status = kBtrOk;
  while (pg_result* end = PQgetResult(conn_)) {
    if (PQresultStatus(end) != PGRES_COMMAND_OK) {
      status = Fail(end);
    } else {
      PQclear(end);
    }
  }
  return status;
}

int16_t PgConnection::Listen(const std::string& channel) {
  return Exec("LISTEN " + channel);
}

// libpq keeps the notices that came with a result until they are asked for; counting
// them after every statement keeps that list short on a connection that only writes.
void PgConnection::DrainNotices() {
  while (PGnotify* n = PQnotifies(conn_)) {
    if (n->be_pid != backend_pid_) ++notices_;
    PQfreemem(n);
  }
}

int PgConnection::TakeNotices() {
  if (PQconsumeInput(conn_) == 0 || PQstatus(conn_) != CONNECTION_OK) return -1;
  DrainNotices();
  const int n = notices_;
  notices_ = 0;
  return n;
}

}  // namespace orb::btr::pg
