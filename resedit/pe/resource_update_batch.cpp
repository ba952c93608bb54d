#include "resedit/pe/resource_update_batch.h"

#include <cstdio>
#include <memory>

#include "platform/file_io.h"

namespace pe {

namespace {

// The same test the platform's update call makes: the file must be open for writing.
int canWrite(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "r+b"),
                                                       &std::fclose);
  return file != nullptr;
}

}  // namespace

int ResourceUpdateBatch::begin(const std::string& path, const std::string& target) {
  begun_ = false;
  changed_ = false;
  path_ = path;
  target_ = target.empty() ? path : target;
  reason_.clear();
  if (target.empty() && !canWrite(path))
    return reason_ = "the file cannot be opened for writing", 0;
  // The leaves stay in the file: the rewrite copies those it does not change from file to file.
  if (!file_.open(path) || !file_.findAllLeaves()) return reason_ = file_.reason(), 0;
  begun_ = true;
  return 1;
}

int ResourceUpdateBatch::update(const ResourceId& type, const ResourceId& name,
                                std::uint16_t language, std::span<const std::uint8_t> data) {
  // No PE file can hold more than our 2 GiB file limit.
  if (!begun_) return 0;
  if (data.size() > ImageFile::kMaximumSize) return reason_ = "the new data is too large", 0;
  // Writing bytes a resource already holds changes nothing, so it costs no rewrite (and keeps a
  // signature valid): the leaf it replaces is read to tell.
  if (ResourceLeaf* leaf = file_.tree().find(type, name, language);
      leaf != nullptr && !leaf->loaded) {
    if (!file_.readLeaf(*leaf, leaf->data)) return reason_ = "a resource's data cannot be read", 0;
    leaf->loaded = true;
  }
  if (file_.tree().put(type, name, language, std::vector<std::uint8_t>(data.begin(), data.end())))
    changed_ = true;
  return 1;
}

Placement ResourceUpdateBatch::plannedPlacement() {
  if (!begun_) return Placement::kRefused;
  ResourceRewriter rewriter(file_);
  Placement placement = rewriter.plan();
  reason_ = rewriter.reason();
  return placement;
}

int ResourceUpdateBatch::end(bool discardChanges) {
  if (!begun_) return 0;
  begun_ = false;
  if (discardChanges) return file_.file().close(), 1;
  // An unchanged batch leaves the file byte for byte as it was, certificate and all.
  if (!changed_ && target_ == path_) return file_.file().close(), 1;
  if (!changed_) {
    file_.file().close();
    return platform::copyFile(path_.c_str(), target_.c_str(), &reason_);
  }
  ResourceRewriter rewriter(file_);
  int written = rewriter.plan() != Placement::kRefused && rewriter.write(target_);
  reason_ = written ? std::string() : rewriter.reason();
  file_.file().close();
  return written;
}

}  // namespace pe
