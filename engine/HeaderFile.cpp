#include "engine/HeaderFile.h"

#include <fcntl.h>

#include <cstring>
#include <exception>

#include "engine/files/FileIo.h"
#include "engine/HeaderLayout.h"

namespace modDB {

namespace detail {

size_t ReadHeaderAt(int fd, FormHeader& out) {
  HeaderBytes bytes{};
  const size_t got = ReadAt(fd, bytes.data(), bytes.size(), 0);
  if (got == bytes.size()) DecodeHeader(bytes.data(), out);
  return got;
}

std::string ReadCheckedHeader(int fd, const std::string& file, FormHeader& h) {
  FormHeader read;
  const size_t got = ReadHeaderAt(fd, read);
  if (got < static_cast<size_t>(kHeaderSize))
    return "FILE:" + file + " is not a form database: it has " + std::to_string(got) +
           " bytes, fewer than the 23496 of a header";
  if (std::string why = CheckLayout(read); !why.empty()) return "FILE:" + file + " is damaged: " + why;
  h = read;
  return "";
}

}  // namespace detail

bool ReadHeaderFile(const std::string& path, FormHeader& out, std::string& why, int64_t* fileSize) {
  try {
    detail::Fd fd(detail::OpenFile(path, O_RDONLY));
    const int64_t size = detail::FileSize(fd.get());
    if (fileSize) *fileSize = size;
    if (detail::ReadHeaderAt(fd.get(), out) < static_cast<size_t>(kHeaderSize)) {
      why = path + " is not a form database: it has " + std::to_string(size) +
            " bytes, fewer than the 23496 of a header";
      return false;
    }
    return true;
  } catch (const detail::FileError& e) {
    why = e.reason() == "not a regular file" ? path + " is not a regular file"
                                             : path + ": " + std::strerror(e.code().value());
    return false;
  } catch (const std::exception& e) {
    why = path + ": " + e.what();
    return false;
  }
}

}  // namespace modDB
