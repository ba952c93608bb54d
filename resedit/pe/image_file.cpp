#include "resedit/pe/image_file.h"

namespace pe {

int ImageFile::openForReading(const std::string& path) {
  file_.reset(std::fopen(path.c_str(), "rb"));
  if (!file_) return 0;
  if (std::fseek(file_.get(), 0, SEEK_END) != 0) return close(), 0;
  long end = std::ftell(file_.get());
  if (end < 0 || static_cast<std::uint64_t>(end) > kMaximumSize) return close(), 0;
  size_ = static_cast<std::uint64_t>(end);
  position_ = size_;
  return 1;
}

int ImageFile::createForWriting(const std::string& path) {
  file_.reset(std::fopen(path.c_str(), "wb"));
  size_ = 0;
  position_ = 0;
  writeFailed_ = 0;
  return file_ != nullptr;
}

int ImageFile::readAt(std::uint64_t offset, void* out, std::size_t count) {
  if (!file_ || offset > size_ || size_ - offset < count) return 0;
  if (count == 0) return 1;
  if (position_ != offset && std::fseek(file_.get(), static_cast<long>(offset), SEEK_SET) != 0)
    return 0;
  std::size_t got = std::fread(out, 1, count, file_.get());
  position_ = offset + got;
  return got == count;
}

int ImageFile::copyTo(std::uint64_t offset, std::uint64_t count, platform::ReplacementFile& out) {
  if (!file_ || offset > size_ || size_ - offset < count) return 0;
  if (count == 0) return 1;
  const int copied = out.copyFrom(file_.get(), offset, count);
  // The copy may have moved the file's position behind the C library's back: the next read seeks.
  position_ = kUnknownPosition;
  return copied;
}

int ImageFile::append(const void* data, std::size_t count) {
  if (!file_ || writeFailed_) return 0;
  if (count == 0) return 1;
  if (size_ + count > kMaximumSize) return writeFailed_ = 1, 0;
  if (position_ != size_ && std::fseek(file_.get(), static_cast<long>(size_), SEEK_SET) != 0) {
    return writeFailed_ = 1, 0;
  }
  if (std::fwrite(data, 1, count, file_.get()) != count) return writeFailed_ = 1, 0;
  size_ += count;
  position_ = size_;
  return 1;
}

int ImageFile::writeAt(std::uint64_t offset, const void* data, std::size_t count) {
  if (!file_ || writeFailed_ || offset > size_ || size_ - offset < count) return 0;
  if (std::fseek(file_.get(), static_cast<long>(offset), SEEK_SET) != 0) return writeFailed_ = 1, 0;
  if (std::fwrite(data, 1, count, file_.get()) != count) return writeFailed_ = 1, 0;
  position_ = offset + count;
  return 1;
}

int ImageFile::finish() {
  if (!file_) return 0;
  int ok = !writeFailed_ && std::fflush(file_.get()) == 0 && !std::ferror(file_.get());
  std::FILE* raw = file_.release();
  ok = (std::fclose(raw) == 0) && ok;
  return ok;
}

}  // namespace pe
