#include "platform/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/com_object.h"

namespace zem {

namespace {

class MemoryStream final : public ComObject<IStream> {
  public:
    MemoryStream() : data_(own_) {}
    explicit MemoryStream(std::string& bytes) : data_(bytes) { data_.clear(); }

    HRESULT ZEM_STDMETHODCALLTYPE Read(void* buffer, uint32_t count, uint32_t* read) override {
        if (read)
            *read = 0;
        if (!buffer && count)
            return E_POINTER;
        const uint64_t available = position_ < data_.size() ? data_.size() - position_ : 0;
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(count, available));
        if (n)
            memcpy(buffer, data_.data() + position_, n);
        position_ += n;
        if (read)
            *read = n;
        return S_OK;  // a short read at the end is not an error for memory streams
    }

    HRESULT ZEM_STDMETHODCALLTYPE Write(const void* buffer, uint32_t count,
                                        uint32_t* written) override {
        if (written)
            *written = 0;
        if (!buffer && count)
            return E_POINTER;
        const uint64_t end = position_ + count;
        if (end > data_.size()) {
            const HRESULT hr = SetSize(end);
            if (Failed(hr))
                return hr;
        }
        if (count)
            memcpy(data_.data() + position_, buffer, count);
        position_ = end;
        if (written)
            *written = count;
        return S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE Seek(int64_t move, StreamSeek origin,
                                       uint64_t* newPosition) override {
        int64_t base;
        switch (origin) {
            case StreamSeek::kSet:
                base = 0;
                break;
            case StreamSeek::kCurrent:
                base = static_cast<int64_t>(position_);
                break;
            case StreamSeek::kEnd:
                base = static_cast<int64_t>(data_.size());
                break;
            default:
                return E_INVALIDARG;
        }
        int64_t target;
        if (__builtin_add_overflow(base, move, &target) || target < 0)
            return E_INVALIDARG;
        // Seeking past the end is allowed; a later write fills the gap with zeros.
        position_ = static_cast<uint64_t>(target);
        if (newPosition)
            *newPosition = position_;
        return S_OK;
    }

    HRESULT ZEM_STDMETHODCALLTYPE SetSize(uint64_t size) override {
        if (size > data_.max_size())
            return E_OUTOFMEMORY;
        try {
            data_.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

  private:
    ~MemoryStream() override = default;

    std::string own_;
    std::string& data_;
    uint64_t position_ = 0;
};

}  // namespace

IStream* CreateMemoryStream() {
    return new (std::nothrow) MemoryStream();
}

IStream* CreateMemoryStreamOn(std::string& bytes) {
    return new (std::nothrow) MemoryStream(bytes);
}

}  // namespace zem
