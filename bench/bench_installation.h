// The benchmark installation shared by the benchmarks of the report: 2,000 owners with
// 10 property entries each, 9,999 properties, 50,000 units, 1,000,000 collections and
// 100,000 payments, written straight through the record manager under a root directory,
// with its Vora.ini.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/report/data_writer.h"

namespace orb::bench {

using namespace orb::testing;

constexpr int kOwners = 2000;
constexpr int kEntriesPerOwner = 10;
constexpr int kProperties = 9999;
constexpr int kUnits = 50000;
constexpr int kCollections = 1000000;
constexpr int kPayments = 100000;

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

inline std::string Date(int month, int day) {
  char text[16];
  std::snprintf(text, sizeof text, "2026%02d%02d", month, day);
  return PackedDate(text);
}

inline bool BuildInstallation(const std::string& root) {
  uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  {
    DataFileWriter owners(root, RecordKind::kOwners);
    for (int o = 1; o <= kOwners; ++o) {
      std::vector<OwnerEntry> entries;
      for (int j = 0; j < kEntriesPerOwner; ++j) {
        const int property = (o - 1) * 5 + j;  // every property belongs to about two
        entries.push_back({PackedCode(property % kProperties + 1),
                           static_cast<int16_t>(property % 7 == 0)});
      }
      const char* tax = (o % 3 == 0) ? "ESB12345678" : "ES12345678Z";
      owners.Insert(OwnerImage(PackedCode(o), "OWNER " + std::to_string(o), tax, entries));
    }
    if (owners.Close() != 0) return false;
  }
  {
    DataFileWriter properties(root, RecordKind::kProperties);
    for (int p = 1; p <= kProperties; ++p) {
      properties.Insert(PropertyImage(PackedCode(p), "PROPERTY " + std::to_string(p),
                                      4.0f + static_cast<float>(p % 5), (p % 4) * 500,
                                      (p % 6 == 0) ? 3000 : 0));
    }
    if (properties.Close() != 0) return false;
  }
  // Units in key order: property, then unit; 50,000 over 9,999 properties.
  std::vector<std::string> unit_keys;
  {
    DataFileWriter units(root, RecordKind::kUnits);
    const int per_property = kUnits / kProperties;  // 5
    int extra = kUnits - per_property * kProperties;
    for (int p = 1; p <= kProperties; ++p) {
      const int count = per_property + (extra-- > 0 ? 1 : 0);
      for (int u = 1; u <= count; ++u) {
        const std::string unit = UnitImage(PackedCode(p), u);
        unit_keys.push_back(unit.substr(0, 4));
        units.Insert(unit);
      }
    }
    if (units.Close() != 0) return false;
  }
  {
    DataFileWriter collections(root, RecordKind::kCollections);
    const int per_unit = kCollections / static_cast<int>(unit_keys.size());  // 20
    for (const std::string& unit : unit_keys) {
      for (int c = 0; c < per_unit; ++c) {
        const int month = c * 12 / per_unit + 1;
        const int day = 1 + c % 28;
        const uint32_t r = next();
        const char kind = "CCCCIX"[r % 6];
        const char state = (r >> 4) % 4 == 0 ? 'L' : 'P';
        collections.Insert(CollectionImage(unit, Date(month, day), 40000 + r % 50000, kind,
                                           (r >> 8) % 3 == 0 ? 1000 : 0, (r >> 12) % 500,
                                           state));
      }
    }
    if (collections.Close() != 0) return false;
  }
  {
    DataFileWriter payments(root, RecordKind::kPayments);
    const int per_property = kPayments / kProperties;  // 10
    int extra = kPayments - per_property * kProperties;
    for (int p = 1; p <= kProperties; ++p) {
      const int count = per_property + (extra-- > 0 ? 1 : 0);
      for (int k = 0; k < count; ++k) {
        const uint32_t r = next();
        payments.Insert(PaymentImage(PackedCode(p), Date(k % 12 + 1, 1 + k % 28),
                                     5000 + r % 90000, r % 5 == 0 ? 'L' : 'P'));
      }
    }
    if (payments.Close() != 0) return false;
  }
  return true;
}

// Lays out root (a directory path ending with "/"): its subdirectories and Vora.ini, and
// the data files unless `reuse`. False when the data files cannot be written.
inline bool PrepareInstallation(const std::string& root, bool reuse) {
  namespace fs = std::filesystem;
  for (const char* sub : {"DADES", "ddf", "TMP", "EXE", "FORMS"}) fs::create_directories(root + sub);
  // The batch entry checks the typed selection against the form's fields.
  fs::copy_file(fs::path(ORB_SOURCE_DIR) / "demo" / "FORMS" / "RPTCARRY.OPN",
                root + "FORMS/RPTCARRY.OPN", fs::copy_options::overwrite_existing);
  std::ofstream(root + "Vora.ini", std::ios::binary)
      << "[Iva0]\r\nHonoraris=21\r\nSuplerts=21\r\n[Iva1]\r\nHonoraris=10\r\nSuplerts=10\r\n"
         "[Ret0]\r\nHonoraris=15\r\n[Ret1]\r\nHonoraris=15\r\n"
         "[Titular]\r\nNom=GESTIO BENCH\r\nNIF=ES40123456H\r\nCorreu=bench@gestio.example\r\n";
  return reuse || BuildInstallation(root);
}

}  // namespace orb::bench
