#include "fault_file_system.hh"

namespace quilmar::headless {

void FaultFileSystem::Fail(FsCall call, std::string reason, std::optional<String> path, int times) {
  const std::lock_guard lock(mutex_);
  faults_.push_back(Fault{call, std::move(reason), std::move(path), times});
}

void FaultFileSystem::ClearFaults() {
  const std::lock_guard lock(mutex_);
  faults_.clear();
}

int FaultFileSystem::Calls(FsCall call) const {
  const std::lock_guard lock(mutex_);
  return calls_[static_cast<std::size_t>(call)];
}

void FaultFileSystem::SetNow(std::int64_t ns) {
  const std::lock_guard lock(mutex_);
  now_ = ns;
}

std::int64_t FaultFileSystem::Now() const {
  {
    const std::lock_guard lock(mutex_);
    if (now_) return *now_;
  }
  return real_.Now();
}

void FaultFileSystem::Check(FsCall call, const String& path) const {
  const std::lock_guard lock(mutex_);
  ++calls_[static_cast<std::size_t>(call)];
  for (Fault& fault : faults_) {
    if (fault.call != call || fault.remaining == 0) continue;
    if (fault.path && *fault.path != path) continue;
    if (fault.remaining > 0) --fault.remaining;
    throw FileError(path, fault.reason);
  }
}

std::int64_t FaultFileSystem::FileSize(const String& path) const {
  Check(FsCall::FileSize, path);
  return real_.FileSize(path);
}

std::unique_ptr<ByteSource> FaultFileSystem::OpenRead(const String& path) const {
  Check(FsCall::ReadAll, path);
  // Every read after the first may fail too: a disk that fails halfway through a file.
  class Source final : public ByteSource {
   public:
    Source(const FaultFileSystem& fs, String path, std::unique_ptr<ByteSource> real)
        : fs_(fs), path_(std::move(path)), real_(std::move(real)) {}
    std::size_t Read(char* into, std::size_t size) override {
      if (reads_++ > 0) fs_.Check(FsCall::ReadPiece, path_);
      return real_->Read(into, size);
    }
    void Rewind() override { real_->Rewind(); }
    std::int64_t Size() const override { return real_->Size(); }
    FileStamp Stamp() const override { return real_->Stamp(); }

   private:
    const FaultFileSystem& fs_;
    String path_;
    std::unique_ptr<ByteSource> real_;
    int reads_ = 0;
  };
  return std::make_unique<Source>(*this, path, real_.OpenRead(path));
}

void FaultFileSystem::CreateEmpty(const String& path) {
  Check(FsCall::CreateEmpty, path);
  real_.CreateEmpty(path);
}

void FaultFileSystem::WriteAll(const String& path, const std::string& bytes) {
  Check(FsCall::WriteAll, path);
  real_.WriteAll(path, bytes);
}

void FaultFileSystem::WriteWith(const String& path, const std::function<void(const ByteWriter&)>& produce) {
  Check(FsCall::WriteAll, path);
  real_.WriteWith(path, produce);
}

bool FaultFileSystem::IsReadOnly(const String& path) const {
  Check(FsCall::IsReadOnly, path);
  return real_.IsReadOnly(path);
}

void FaultFileSystem::MakeFolder(const String& folder) {
  Check(FsCall::MakeFolder, folder);
  real_.MakeFolder(folder);
}

void FaultFileSystem::Append(const String& path, std::string_view bytes) {
  Check(FsCall::Append, path);
  real_.Append(path, bytes);
}

}  // namespace quilmar::headless
