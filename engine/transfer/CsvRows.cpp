#include "engine/transfer/CsvRows.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/files/FileIo.h"
#include "lib/Codepage.h"
#include "lib/modLIB.h"

namespace modDB {

namespace detail {

namespace {

// No row of a file that records come from is longer than this (a record holds at
// most 32,000 characters).
constexpr size_t kMaxRow = size_t{16} << 20;

// Checks the rows on a thread of its own while the file is read and split: on two
// cores the import takes about the longer of the two instead of their sum. The rows
// are handed on in the file's order, as a single thread would hand them on; a few
// batches go round between the threads, so the memory held stays a few pieces.
class RowChecker {
 public:
  explicit RowChecker(const RowHandler& onRow) : onRow_(onRow) {
    try {
      thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {  // no thread to be had: each batch is checked as it comes
    }
  }
  ~RowChecker() {  // a way out before Finish (a file error, text that is no UTF-8): the rest is dropped
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  RowChecker(const RowChecker&) = delete;
  RowChecker& operator=(const RowChecker&) = delete;

  // A batch to fill, cleared: waits while every batch is still being checked. What the
  // checking threw is thrown here as soon as it is known: the rest of the file is not read.
  RowBatch& Free() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !free_.empty(); });
    if (failed_) std::rethrow_exception(error_);
    RowBatch* b = free_.front();
    free_.pop_front();
    lock.unlock();
    b->Clear();
    return *b;
  }
  void Check(RowBatch& b) {
    if (!thread_.joinable()) {
      b.HandOn(onRow_);
      free_.push_back(&b);
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      full_.push_back(&b);
    }
    changed_.notify_all();
  }
  // Waits for every batch handed on to be checked; what the checking threw is thrown here.
  void Finish() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    changed_.notify_all();
    thread_.join();
    if (error_) std::rethrow_exception(error_);
  }

 private:
  void Run() {
    for (;;) {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || finished_ || !full_.empty(); });
      if (stop_ || full_.empty()) return;
      RowBatch* b = full_.front();
      full_.pop_front();
      lock.unlock();
      if (!error_) {
        try {
          b->HandOn(onRow_);
        } catch (...) {
          error_ = std::current_exception();
        }
      }
      lock.lock();
      failed_ = error_ != nullptr;
      free_.push_back(b);
      lock.unlock();
      changed_.notify_all();
    }
  }

  const RowHandler& onRow_;
  RowBatch batches_[3];
  std::deque<RowBatch*> free_{&batches_[0], &batches_[1], &batches_[2]}, full_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stop_ = false, finished_ = false, failed_ = false;
  std::exception_ptr error_;
  std::thread thread_;  // started once everything above is made
};

}  // namespace

CsvTextRead ReadCsvRows(int fd, int64_t size, CsvEncoding encoding, const RowHandler& onRow) {
  CsvTextRead read;
  RowChecker checker(onRow);
  Bytes carry;  // the text after the last whole row of a piece, then at most three bytes to decode
  size_t carryReady = 0;
  bool decode = false, strict = false, high = false, plain = false;
  int64_t at = 0, line = 1, count = 0;
  for (bool first = true, last = false; !last; first = false) {
    RowBatch& batch = checker.Free();
    Bytes& buf = batch.text;
    if (carry.size() > 0) std::memcpy(buf.Room(carry.size()), carry.data(), carry.size());
    buf.Resize(carry.size());
    size_t ready = carryReady;  // buf holds text up to here, then at most three bytes to decode
    if (carry.size() > kMaxRow) {  // one row that goes on and on (a file of zero bytes, say)
      read.refusal = CsvRefusal::LongRow;
      read.line = line;
      return read;
    }
    const size_t ask = static_cast<size_t>(std::min<int64_t>(std::max(kPiece, buf.size()), size - at));
    const size_t got = ask == 0 ? 0 : detail::ReadAt(fd, buf.Room(ask), ask, at);
    buf.Resize(buf.size() + got);
    at += static_cast<int64_t>(got);
    last = got < ask || at >= size;
    if (first) {
      const std::string_view head(buf.data(), std::min<size_t>(buf.size(), 3));
      if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) {
        read.refusal = CsvRefusal::Utf16;
        return read;
      }
      const bool bom = head == "\xEF\xBB\xBF";
      // The program's own export without a mark is Windows-1252: its heading starts
      // with a "#" column.
      const bool own = !bom && buf.size() >= 2 && buf.data()[0] == '#' &&
                       (buf.data()[1] == ',' || buf.data()[1] == '\r' || buf.data()[1] == '\n');
      if (bom) buf.DropFront(3);  // a mark is never part of the text, whatever it is read as
      decode = encoding == CsvEncoding::Utf8 || (encoding == CsvEncoding::Auto && !own);
      strict = decode && (bom || encoding == CsvEncoding::Auto);
      read.utf8 = encoding == CsvEncoding::Utf8 || (encoding == CsvEncoding::Auto && bom);
      read.how = encoding == CsvEncoding::Cp1252 ? "Windows-1252 (as given)"
                 : encoding == CsvEncoding::Utf8 ? (bom ? "UTF-8 (byte order mark)" : "UTF-8 (as given)")
                 : bom                           ? "UTF-8 (byte order mark)"
                 : own                           ? "Windows-1252 (the program's own export)"
                                                 : "Windows-1252";
      read.bom = bom;
    }
    if (decode) {
      size_t kept = 0;
      const size_t end = DecodeUtf8InPlace(buf.data(), ready, buf.size(), last, strict, read.replaced, high, plain, kept);
      if (end == std::string::npos) {
        if (read.bom) {
          read.refusal = CsvRefusal::NotUtf8WithMark;
        } else {
          read.notUtf8 = true;
        }
        return read;
      }
      ready = end;
      buf.Resize(end + kept);
    } else {
      ready = buf.size();
    }
    const size_t used = SplitRows(std::string_view(buf.data(), ready), last, line, count, batch);
    if (batch.wideLine != 0) {  // rows before it are no use either: nothing is taken
      read.refusal = CsvRefusal::WideRow;
      read.line = batch.wideLine;
      return read;
    }
    carry.Resize(0);
    if (buf.size() > used) std::memcpy(carry.Room(buf.size() - used), buf.data() + used, buf.size() - used);
    carry.Resize(buf.size() - used);
    carryReady = ready - used;
    checker.Check(batch);
  }
  checker.Finish();
  if (decode && strict && !read.bom) {  // Auto without a mark: UTF-8 only where it is plainly so
    if (high && !plain) {
      read.notUtf8 = true;
      return read;
    }
    if (high) {
      read.utf8 = true;
      read.how = "UTF-8";
    }
  }
  return read;
}

}  // namespace detail

}  // namespace modDB
