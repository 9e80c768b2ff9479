// Checking and listing a built package through the engine's own reader:
// OpenSetupPackage, then every entry read and CRC-checked with ReadEntry, and
// the MR table compared with the data parts; the same walk makes the
// package's binding block (bind) and compares it with a program's
// (verify --against). Every file access goes through
// the engine's OS layer, so the same code runs on Linux, on Windows and over
// any other implementation of engine/os_layer.h.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/package_reader.h"

namespace kvpack {

// One slot of the walk in package order.
struct EntryInfo {
  enum Kind { kFixed, kSong, kFont, kFontInfo };
  Kind kind = kFixed;
  uint32_t number = 0;  // fixed entry, song number or font name index
  uint32_t slot = 0;    // end-offset slot (fixed 0 .. 31, songs 32 .., fonts 1032 ..)
  uint32_t start = 0;  // where the entry begins
  uint32_t end = 0;    // the slot's end-offset value
  bool present = false;
  int code = 0;        // ReadEntry's code when present
  EntryView view;      // valid while code is 0, until the next entry is read
  // "Driver\haspdinst.exe", "SongMR\01\017.esz", "Fonts\X", "Fonts\Info\X.ftb":
  // made on demand, since most slots never need one (a font's name is read
  // from the open package, so only during the walk).
  std::string Label() const;
};

struct MrInfo {
  uint32_t record = 0;
  uint32_t number = 0, partIndex = 0, partOffset = 0, size = 0;
  uint64_t lastWriteTime = 0;
  // "MR\NNN\NNNNN.emr", where extraction writes the file.
  std::string Label() const;
};

// Points the engine's setupDir and installDir at dir and runs
// OpenSetupPackage (which then creates nothing). Returns its code;
// kOpenIndexMissing when dir does not exist or its path does not fit.
int OpenPackageFolder(const std::filesystem::path& dir);

// Walks every slot like the extraction does (after a successful open):
// fixed entries, the 1000 song slots, the font slots; then the MR records up
// to the first that names no part.
void WalkEntries(const std::function<void(const EntryInfo&)>& visit);
std::vector<MrInfo> MrTable();

// One present entry as verify saw it.
struct EntrySummary {
  EntryInfo::Kind kind = EntryInfo::kFixed;
  uint32_t number = 0;
  uint32_t slot = 0;
  uint32_t start = 0, end = 0;
  int code = 0;         // ReadEntry's code
  uint32_t length = 0;  // data bytes, when code is 0
  uint64_t lastWriteTime = 0;
};

// Problems make the setup program fail or install something other than what
// was packed; warnings are what it accepts but a careful builder would not
// write (non-zero pad bytes, bytes no entry or record covers, MR numbers that
// removal will not delete, MR records out of number order).
struct VerifyReport {
  int openCode = 0;
  uint32_t entries = 0;     // present entries checked
  uint32_t mrRecords = 0;
  std::vector<std::string> problems;
  std::vector<std::string> warnings;
  std::vector<EntrySummary> entryList;  // present entries in package order
  std::vector<std::string> fontNames;   // by font number, for present fonts
  std::vector<MrInfo> records;          // the MR table as extraction walks it
  uint32_t versionWords[9] = {};
  // This package's binding block (bind::kBlockSize bytes, bound format) when
  // the pass asked for it and the package opened.
  std::vector<uint8_t> binding;
  // Differences from the block of verify --against (each also a problem);
  // -1 when nothing was compared.
  int bindingDifferences = -1;
  uint32_t indexFileSize = 0;
  std::vector<uint32_t> partSizes;
  bool sound() const { return openCode == 0 && problems.empty(); }
};

// What VerifyPackage does about a binding: nothing (verify, list), make the
// package's block (bind: every entry span, MR file and the header digested as
// the setup program reads them), or make it and compare it with a bound
// block, every difference a problem (verify --against).
struct BindingPass {
  bool make = false;
  const uint8_t* against = nullptr;  // a bound block, kept by the caller
};

// The whole check of `kvpack verify`; progress gets bytes read and the total.
VerifyReport VerifyPackage(const std::filesystem::path& dir,
                           const std::function<void(uint64_t, uint64_t)>& progress = {},
                           const BindingPass& pass = {});

// The report as one JSON document (`verify --json`, `list --json`); the
// second form replaces out's text and keeps its room, for a caller that
// words many reports.
std::string ReportJson(const VerifyReport& report);
void ReportJson(const VerifyReport& report, std::string& out);

}  // namespace kvpack
