// TestSchema: a schema of its own on the test server for one test, so that tests run in
// parallel never meet. The server comes from ORB_TEST_POSTGRES (a libpq connection
// string; scripts/test.sh starts a throwaway server and sets it).
#pragma once

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>

namespace orb::btr::testing {

class TestSchema {
 public:
  TestSchema() = default;
  TestSchema(const TestSchema&) = delete;
  TestSchema& operator=(const TestSchema&) = delete;
  ~TestSchema() { Stop(); }

  // The server's connection string, empty when no test server is set.
  static std::string Server() {
    const char* server = std::getenv("ORB_TEST_POSTGRES");
    return server ? server : "";
  }

  // Makes the schema; `conninfo` gets the connection string that uses it.
  bool Start(std::string& conninfo) {
    base_ = Server();
    if (base_.empty()) {
      why_ = "ORB_TEST_POSTGRES names no PostgreSQL server";
      return false;
    }
    static std::atomic<int> counter{0};
    name_ = "t" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    if (!Exec("DROP SCHEMA IF EXISTS " + name_ + " CASCADE; CREATE SCHEMA " + name_)) {
      return false;
    }
    conninfo = base_ + " options='-csearch_path=" + name_ + "' application_name=" + name_;
    return true;
  }
  void Stop() {
    if (!name_.empty()) Exec("DROP SCHEMA IF EXISTS " + name_ + " CASCADE");
    name_.clear();
  }
  // Runs statements in the schema's database as the test server's superuser.
  bool Exec(const std::string& sql) {
    PGconn* conn = PQconnectdb(base_.c_str());
    bool ok = PQstatus(conn) == CONNECTION_OK;
    if (ok) {
      PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
      PGresult* r = PQexec(conn, sql.c_str());
      ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
      if (!ok) why_ = PQresultErrorMessage(r);
      PQclear(r);
    } else {
      why_ = PQerrorMessage(conn);
    }
    PQfinish(conn);
    return ok;
  }
  // Ends the server sessions of this schema's connections, as a network failure would.
  bool CutConnections() {
    return Exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity"
                " WHERE application_name = '" + name_ + "'");
  }
  const std::string& Name() const { return name_; }
  const std::string& Why() const { return why_; }

 private:
  std::string base_, name_, why_;
};

}  // namespace orb::btr::testing
