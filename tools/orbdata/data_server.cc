#include "data_server.h"

#include <cstdlib>

#include "core/settings.h"
#include "platform/btrieve/btrieve.h"
#include "platform/cp850.h"
#include "platform/host_path.h"

namespace orb::orbdata {
namespace {

std::string Trimmed(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

}  // namespace

void UseConfiguredServer() {
  const std::string root = GetEnv("ORBROOT");
  std::string server = Trimmed(GetEnv("ORBDATABASE"));
  if (server.empty() && !root.empty()) {
    std::string dir = root;
    if (dir.back() != '/' && dir.back() != '\\') dir += '/';
    server = Trimmed(ReadIniValue(dir + "Vora.ini", "Dades", "Servidor"));
  }
  BtrSettings settings;
  settings.server = cp850::ToUtf8(server);
  settings.root = root;
  settings.prepare_database = true;  // the data tool sets up a server's catalogue
  BtrConfigure(settings);
}

bool IsConnectionString(const std::string& argument) {
  return argument.find('=') != std::string::npos ||
         argument.rfind("postgresql://", 0) == 0 || argument.rfind("postgres://", 0) == 0;
}

}  // namespace orb::orbdata

// --- orbdata copy -------------------------------------------------------------------

#include <cstdio>
#include <memory>
#include <vector>

#include "csv_reader.h"
#include "data_file_access.h"

namespace orb::orbdata {
namespace {

// Server files are reached through a root of their own, which no folder lies in.
constexpr char kServerRoot[] = "/.orb-server-root/";

// What the message quotes (file names found on disk or on the server) is shown escaped.
int Refuse(int code, const std::string& message) {
  std::fprintf(stderr, "orbdata: %s\n", Printable(message).c_str());
  return code;
}

struct Side {
  bool server = false;
  std::string where;  // the connection string or the folder, as given
  // The path the record manager is given for a data file of this side.
  std::string PathOf(const std::string& name) const {
    if (server) return kServerRoot + name;
    std::string path = where;
    if (path.back() != '/') path += '/';
    std::string relative = name;
    for (char& c : relative) {
      if (c == '\\') c = '/';
    }
    const size_t slash = relative.rfind('/');
    if (relative.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos) {
      relative += ".dat";
    }
    return path + relative;
  }
  std::string Shown() const {
    return server ? BtrDescribeEngine(where) : where;
  }
};

// The installation names of a folder's data files: every *.dat below it.
std::vector<std::string> FolderFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (std::string relative : FilesUnder(cp850::FromUtf8(folder))) {
    if (relative.size() < 5) continue;
    std::string extension = relative.substr(relative.size() - 4);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".dat") continue;
    relative.resize(relative.size() - 4);
    for (char& c : relative) {
      if (c == '/') c = '\\';
    }
    names.push_back(relative);
  }
  return names;
}

std::string Detail(int16_t status) {
  return StatusText(status);
}

}  // namespace

int CopyCommand(const std::string& from_argument, const std::string& to_argument) {
  Side from{IsConnectionString(from_argument), from_argument};
  Side to{IsConnectionString(to_argument), to_argument};
  if (from.server == to.server) {
    return Refuse(2, "copy goes from a folder to a server or from a server to a folder");
  }
  if (!from.server && !DirectoryExists(cp850::FromUtf8(from.where))) {
    return Refuse(2, from.where + ": no such folder");
  }
  BtrSettings settings;
  settings.server = from.server ? from.where : to.where;
  settings.root = kServerRoot;
  settings.prepare_database = true;
  BtrConfigure(settings);

  std::vector<std::string> names;
  if (from.server) {
    if (int16_t s = BtrListServerFiles(names)) {
      return Refuse(1, from.Shown() + ": the data files cannot be listed (" + Detail(s) + ")");
    }
  } else {
    names = FolderFiles(from.where);
  }
  if (names.empty()) return Refuse(2, from.Shown() + ": holds no data files");

  // Nothing is written while any destination file exists already.
  for (const std::string& name : names) {
    DataFileAccess probe;
    const int16_t s = probe.Open(cp850::FromUtf8(to.PathOf(name)));
    if (s == kBtrOk) {
      return Refuse(2, to.Shown() + ": already holds " + name + "; nothing was copied");
    }
    if (s != kBtrFileNotFound) {
      return Refuse(1, to.Shown() + ": " + name + " (" + Detail(s) + ")");
    }
  }

  if (!to.server && !CreateDirectories(cp850::FromUtf8(to.where))) {
    return Refuse(1, to.where + ": the folder cannot be made");
  }
  // Every destination file is created and loaded in a bulk load of its own; the loads
  // end together at the end. Any failure removes every file this copy created.
  std::vector<std::unique_ptr<DataFileAccess>> loads;
  std::vector<std::string> created;
  int64_t records = 0;
  auto undo = [&](const std::string& why) {
    loads.clear();  // closes the files; a load that did not end is not kept
    for (const std::string& path : created) BtrRemoveFile(cp850::FromUtf8(path));
    return Refuse(1, why + "; nothing was copied");
  };
  for (const std::string& name : names) {
    DataFileAccess source;
    const std::string source_path = cp850::FromUtf8(from.PathOf(name));
    if (int16_t s = source.Open(source_path)) {
      return undo(from.Shown() + ": " + name + " cannot be opened (" + Detail(s) + ")");
    }
    std::string stat;
    if (int16_t s = source.Stat(stat)) {
      return undo(from.Shown() + ": " + name + " (" + Detail(s) + ")");
    }
    const std::string target_path = to.PathOf(name);
    if (!to.server) {
      CreateDirectories(cp850::FromUtf8(target_path.substr(0, target_path.rfind('/'))));
    }
    if (int16_t s = DataFileAccess::Create(cp850::FromUtf8(target_path), stat)) {
      return undo(to.Shown() + ": " + name + " cannot be created (" + Detail(s) + ")");
    }
    created.push_back(target_path);
    auto target = std::make_unique<DataFileAccess>();
    int16_t s = target->Open(cp850::FromUtf8(target_path));
    if (s == kBtrOk) s = target->BeginBulk();
    if (s != kBtrOk) return undo(to.Shown() + ": " + name + " (" + Detail(s) + ")");
    std::string record;
    for (s = source.First(record); s == kBtrOk; s = source.Next(record)) {
      if (int16_t w = target->Insert(record)) {
        return undo(to.Shown() + ": " + name + ": a record was refused (" + Detail(w) + ")");
      }
      ++records;
    }
    if (s != kBtrEndOfFile) {
      return undo(from.Shown() + ": " + name + " cannot be read (" + Detail(s) + ")");
    }
    loads.push_back(std::move(target));
  }
  for (size_t i = 0; i < loads.size(); ++i) {
    if (int16_t s = loads[i]->EndBulk()) {
      return undo(to.Shown() + ": " + names[i] + " was not written (" + Detail(s) + ")");
    }
  }
  loads.clear();
  std::printf("%zu data files (%lld records) copied from %s to %s\n", names.size(),
              static_cast<long long>(records), from.Shown().c_str(), to.Shown().c_str());
  return 0;
}

}  // namespace orb::orbdata
