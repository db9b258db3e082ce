#pragma once
// Bounds-checked little-endian reading of a byte buffer: every read that would pass the end throws
// instead of touching memory outside the buffer.
#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>

namespace zelmar {

class ReadPastEnd : public std::runtime_error {
public:
    ReadPastEnd() : std::runtime_error("read past the end of the data") {}
};

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> data, size_t offset = 0) : data_(data), pos_(offset) {}

    size_t position() const { return pos_; }
    size_t size() const { return data_.size(); }
    size_t remaining() const { return pos_ <= data_.size() ? data_.size() - pos_ : 0; }

    void seek(size_t offset)
    {
        if (offset > data_.size())
            throw ReadPastEnd();
        pos_ = offset;
    }
    void skip(size_t n) { need(n); pos_ += n; }

    uint8_t u8() { need(1); return data_[pos_++]; }
    uint16_t u16() { need(2); uint16_t v = uint16_t(data_[pos_] | data_[pos_ + 1] << 8); pos_ += 2; return v; }
    uint32_t u24()
    {
        need(3);
        uint32_t v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 | uint32_t(data_[pos_ + 2]) << 16;
        pos_ += 3;
        return v;
    }
    uint32_t u32()
    {
        need(4);
        uint32_t v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 | uint32_t(data_[pos_ + 2]) << 16
                     | uint32_t(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return v;
    }
    int32_t i32() { return int32_t(u32()); }

    std::span<const uint8_t> bytes(size_t n)
    {
        need(n);
        auto s = data_.subspan(pos_, n);
        pos_ += n;
        return s;
    }
    std::string text(size_t n)
    {
        auto s = bytes(n);
        return std::string(reinterpret_cast<const char*>(s.data()), s.size());
    }

private:
    void need(size_t n) const
    {
        if (pos_ > data_.size() || n > data_.size() - pos_)
            throw ReadPastEnd();
    }

    std::span<const uint8_t> data_;
    size_t pos_;
};

// Little-endian writing into a growing byte string.
class ByteWriter {
public:
    std::string& bytes() { return out_; }
    void u8(uint8_t v) { out_.push_back(char(v)); }
    void u16(uint16_t v) { u8(uint8_t(v)); u8(uint8_t(v >> 8)); }
    void u24(uint32_t v) { u8(uint8_t(v)); u8(uint8_t(v >> 8)); u8(uint8_t(v >> 16)); }
    void u32(uint32_t v) { u16(uint16_t(v)); u16(uint16_t(v >> 16)); }
    void i32(int32_t v) { u32(uint32_t(v)); }
    void raw(const void* p, size_t n) { out_.append(static_cast<const char*>(p), n); }
    void raw(const std::string& s) { out_ += s; }

private:
    std::string out_;
};

} // namespace zelmar
