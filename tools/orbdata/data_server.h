// Where the data tool finds data files: with a server configured (ORBDATABASE, else
// [Dades] Servidor in the Vora.ini of ORBROOT), a data file path inside ORBROOT names
// that file on the server; any other path, or no server, is a SQLite file.
#pragma once

#include <string>

namespace orb::orbdata {

// Tells the record manager, before the first open.
void UseConfiguredServer();

// True when the argument is a PostgreSQL connection string rather than a folder
// ("host=... dbname=...", "postgresql://...").
bool IsConnectionString(const std::string& argument);

// orbdata copy FROM TO: every data file of an installation from a folder (its root) to
// a server, or from a server to a folder, all or nothing. Returns the exit code.
int CopyCommand(const std::string& from, const std::string& to);

}  // namespace orb::orbdata
