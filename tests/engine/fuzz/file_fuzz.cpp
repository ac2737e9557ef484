// libFuzzer target for the form database reader: arbitrary bytes as a ".Qfd" file,
// through everything that reads one. The header checks (CheckCounts, CheckLayout),
// LoadHeader, OpenDatabase and a walk through the records with every field read, the
// record table's direct reads (header and cells, as the table view does them), the
// CSV export, and the tools' header reader. Built and run by `make fuzz-file`.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/transfer/CsvExport.h"
#include "engine/store/DirectFile.h"
#include "engine/HeaderFile.h"
#include "engine/HeaderLayout.h"
#include "engine/modDB.h"

using namespace modDB;  // the fuzzer drives the engine's calls only

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    char templ[] = "/tmp/qf-file-fuzz-XXXXXX";
    const char* made = mkdtemp(templ);
    if (!made) std::abort();
    return std::string(made);
  }();
  return folder;
}

// The records a walk visits at most: enough to reach every kind of record, few
// enough that a count of 65,530 does not slow the fuzzer to a crawl.
constexpr int32_t kWalk = 200;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The engine's own host, silent, answers every question with its default.
  const std::string base = Folder() + "/f";
  const std::string file = base + ".Qfd";
  FILE* f = std::fopen(file.c_str(), "wb");
  if (!f) std::abort();
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);

  // The header alone, decoded from the bytes.
  if (size >= static_cast<size_t>(kHeaderSize)) {
    FormHeader h;
    DecodeHeader(data, h);
    (void)CheckCounts(h);
    (void)CheckLayout(h);
  }
  FormHeader fileHeader;
  std::string why;
  int64_t fileSize = 0;
  (void)ReadHeaderFile(file, fileHeader, why, &fileSize);

  // Header load, as the designer does it.
  if (LoadHeader(base) == 1) {
    (void)GetFieldCount();
    (void)GetLastPage();
  }
  InitHeader();

  // The record store.
  std::string name = base;
  if (OpenDatabase(name) == 1) {
    const int32_t count = GetRecordCount();
    const int16_t fields = GetFieldCount();
    if (count > 0 && GotoFirstRecord() == 1) {
      for (int32_t i = 1; i <= count && i <= kWalk; ++i) {
        std::string v;
        for (int16_t k = 1; k <= fields; ++k) ReadField(k, v);
        (void)IsDeleted();
        if (GotoNextRecord() != 1) break;
      }
      GotoLastRecord();
      std::string v;
      for (int16_t k = 1; k <= fields; ++k) ReadField(k, v);
      GotoPreviousRecord();
    }

    // The record table: its own reading of the header, then cells by their layout.
    FormHeader th;
    if (ReadHeaderDirect(GetFileNumber(), th) && CheckLayout(th).empty()) {
      for (int32_t r = 1; r <= th.RecordCount && r <= kWalk; ++r)
        for (int k = 1; k <= th.FieldCount; ++k) (void)ReadFieldDirect(GetFileNumber(), th, r, static_cast<int16_t>(k));
    }

    // The export of every field.
    // (To a device: every line is made, without a flush to disk per input.)
    ExportCsv("/dev/null", std::vector<bool>(kMaxFields + 1, true));
    CloseDatabase();
  }
  InitHeader();
  return 0;
}
