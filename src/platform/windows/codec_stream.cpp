#include "platform/windows/codec_stream.hpp"

#include <atomic>
#include <cstring>

namespace velmora::platform::win {

namespace {

class CodecStream final : public IStream {
 public:
  explicit CodecStream(CodecInput& in) : in_(in) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
      *out = static_cast<IStream*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE Read(void* dst, ULONG n, ULONG* read) override {
    const std::uint64_t size = in_.size();
    const std::uint64_t left = position_ < size ? size - position_ : 0;
    const ULONG take = left < n ? static_cast<ULONG>(left) : n;
    if (take > 0 && !in_.read(position_, static_cast<std::uint8_t*>(dst), take)) {
      if (read != nullptr) *read = 0;
      return STG_E_READFAULT;
    }
    position_ += take;
    if (read != nullptr) *read = take;
    return take == n ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override {
    return STG_E_ACCESSDENIED;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
    std::int64_t base = 0;
    if (origin == STREAM_SEEK_CUR) base = static_cast<std::int64_t>(position_);
    if (origin == STREAM_SEEK_END) base = static_cast<std::int64_t>(in_.size());
    const std::int64_t target = base + move.QuadPart;
    if (target < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<std::uint64_t>(target);
    if (now != nullptr) now->QuadPart = position_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                   ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (stat == nullptr) return E_POINTER;
    std::memset(stat, 0, sizeof *stat);
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = in_.size();
    stat->grfMode = STGM_READ;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  ~CodecStream() = default;
  CodecInput& in_;
  std::atomic<ULONG> refs_{1};
  std::uint64_t position_ = 0;
};

}  // namespace

IStream* new_codec_stream(CodecInput& in) {
  return new CodecStream(in);
}

}  // namespace velmora::platform::win
