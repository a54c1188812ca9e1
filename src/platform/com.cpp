#include "platform/com.h"

#include "platform/com_object.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <random>
#include <vector>

namespace zem {

Text GuidToRegistryText(const GUID& g) {
    char buffer[40];
    snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1,
             g.data2, g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
             g.data4[5], g.data4[6], g.data4[7]);
    return Text(buffer, buffer + 38);
}

bool GuidFromText(TextView text, GUID& guid) {
    if (text.size() == 38) {
        if (text.front() != u'{' || text.back() != u'}')
            return false;
        text = text.substr(1, 36);
    }
    if (text.size() != 36)
        return false;
    uint8_t bytes[16];
    size_t at = 0;
    for (int i = 0; i < 16; ++i) {
        if (at == 8 || at == 13 || at == 18 || at == 23) {
            if (text[at] != u'-')
                return false;
            ++at;
        }
        int value = 0;
        for (int k = 0; k < 2; ++k, ++at) {
            const int digit = HexDigitValue(text[at]);
            if (digit < 0)
                return false;
            value = value * 16 + digit;
        }
        bytes[i] = static_cast<uint8_t>(value);
    }
    guid.data1 =
        uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    guid.data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    memcpy(guid.data4, bytes + 8, 8);
    return true;
}

GUID NewGuid() {
    thread_local std::random_device device;
    uint32_t words[4];
    for (uint32_t& word : words)
        word = device();
    GUID g;
    static_assert(sizeof g == sizeof words);
    memcpy(&g, words, sizeof g);
    g.data3 = static_cast<uint16_t>((g.data3 & 0x0FFF) | 0x4000);   // version 4: random
    g.data4[0] = static_cast<uint8_t>((g.data4[0] & 0x3F) | 0x80);  // RFC 4122 variant
    return g;
}

BSTR SysAllocText(TextView text) {
    if (text.size() > std::numeric_limits<uint32_t>::max())
        return nullptr;
    return SysAllocStringLen(text.empty() ? u"" : text.data(), static_cast<uint32_t>(text.size()));
}

Text TextFromBstr(BSTR text) {
    return text ? Text(text, SysStringLen(text)) : Text();
}

void VariantInit(VARIANT* v) {
    if (!v)
        return;
    *v = VARIANT();
}

void VariantClear(VARIANT* v) {
    if (!v)
        return;
    if (v->vt == VT_UNKNOWN && v->punkVal)
        v->punkVal->Release();
    VariantInit(v);
}

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
