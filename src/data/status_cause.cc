#include "data/status_cause.h"

#include "data/file_table.h"
#include "platform/btrieve/btrieve.h"

namespace orb {

StatusCause CauseOf(int16_t status) {
  switch (status) {
    case kBtrInvalidOperation:
      return {"invalid operation", "OPERACI\xe0 NO V\xb7LIDA"};
    case kBtrIoError:
      return {"I/O error", "ERROR DE LECTURA O ESCRIPTURA"};
    case kDataFileNotOpen:
      return {"the file is not open", "EL FITXER NO \x90S OBERT"};
    case kBtrKeyNotFound:
      return {"key not found", "CLAU NO TROBADA"};
    case kBtrDuplicateKey:
      return {"duplicate key", "CLAU DUPLICADA"};
    case kBtrFileNotFound:
      return {"the file does not exist", "EL FITXER NO EXISTEIX"};
    case kBtrDiskFull:
      return {"the disk is full", "DISC PLE"};
    case kBtrServerUnavailable:
      return {"the connection to the data server was lost",
              "S'HA PERDUT LA CONNEXI\xe0 AMB EL SERVIDOR DE DADES"};
    case kBtrInvalidRecordLength:
      return {"invalid record length", "LONGITUD DE REGISTRE NO V\xb7LIDA"};
    case kBtrCreateIoError:
      return {"the file cannot be created", "NO S'HA POGUT CREAR EL FITXER"};
    case kBtrInvalidKeyLength:
      return {"invalid key length", "LONGITUD DE CLAU NO V\xb7LIDA"};
    case kBtrNotABtrieveFile:
      return {"not a data file", "NO \x90S UN FITXER DE DADES"};
    case kBtrAccessDenied:
      return {"access denied", "ACC\x90S DENEGAT"};
    case kBtrFileAlreadyExists:
      return {"the file already exists", "EL FITXER JA EXISTEIX"};
    case kBtrConflict:
      return {"another program changed the record",
              "UN ALTRE PROGRAMA HA CANVIAT EL REGISTRE"};
    case kBtrNetworkFileSystem:
      return {"the data file is on a network file system",
              "EL FITXER DE DADES \x90S EN UN SISTEMA DE FITXERS DE XARXA"};
    case kBtrRecordInUse:
      return {"a record is locked by another program",
              "REGISTRE BLOQUEJAT PER UN ALTRE PROGRAMA"};
    case kBtrFileInUse:
      return {"the file is held by another program", "FITXER EN \xe9S PER UN ALTRE PROGRAMA"};
    default:
      return {};
  }
}

std::string CauseText(int16_t status, Catalogue& catalogue) {
  const StatusCause cause = CauseOf(status);
  return cause.catalan.empty() ? std::string() : catalogue.Translate(cause.catalan);
}

}  // namespace orb
