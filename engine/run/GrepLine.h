// CGrepLine: one line of the grep run as wide text in a buffer that is reused
// from line to line and swapped, never copied, into the before-context ring;
// for a log of 8-bit lines also the line's own bytes, which the result file
// receives as they stand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

class CGrepLine {
public:
    const wchar_t* Text() const { return m_data ? m_data.get() : L""; }
    size_t Length() const { return m_length; }
    bool Empty() const { return m_length == 0; }

    void Clear()
    {
        m_length = 0;
        if (m_data)
            m_data[0] = L'\0';
    }
    // Room for `more` characters after the current text, which is kept; the
    // buffer only grows, so a run allocates only when a longer line appears.
    wchar_t* Extend(size_t more)
    {
        const size_t needed = m_length + more + 1;   // and a terminating zero
        if (needed > m_capacity)
            Grow(needed);
        return m_data.get() + m_length;
    }
    // Marks `count` characters written at Extend's pointer as part of the line.
    void Commit(size_t count)
    {
        m_length += count;
        m_data[m_length] = L'\0';
    }
    // Direct access for the reader's block loop: the buffer holds Capacity()
    // characters and a terminating zero after them.
    wchar_t* Data() { return m_data.get(); }
    size_t Capacity() const { return m_capacity == 0 ? 0 : m_capacity - 1; }
    void Reserve(size_t characters)
    {
        if (characters + 1 > m_capacity)
            Grow(characters + 1);
    }
    void SetLength(size_t length)
    {
        m_length = length;
        m_data[m_length] = L'\0';
    }
    void SetBytes(const uint8_t* bytes, size_t length)
    {
        m_bytes.assign(reinterpret_cast<const char*>(bytes), length);
        m_hasBytes = true;
    }
    void ClearBytes() { m_hasBytes = false; }
    bool HasBytes() const { return m_hasBytes; }
    const std::string& Bytes() const { return m_bytes; }

    void Swap(CGrepLine& other) noexcept
    {
        std::swap(m_bytes, other.m_bytes);
        std::swap(m_hasBytes, other.m_hasBytes);
        std::swap(m_data, other.m_data);
        std::swap(m_length, other.m_length);
        std::swap(m_capacity, other.m_capacity);
    }

private:
    void Grow(size_t needed)
    {
        size_t capacity = m_capacity < 256 ? 256 : m_capacity * 2;
        while (capacity < needed)
            capacity *= 2;
        std::unique_ptr<wchar_t[]> grown(new wchar_t[capacity]);
        for (size_t i = 0; i < m_length; ++i)
            grown[i] = m_data[i];
        grown[m_length] = L'\0';
        m_data = std::move(grown);
        m_capacity = capacity;
    }

    std::unique_ptr<wchar_t[]> m_data;
    size_t m_length = 0;
    size_t m_capacity = 0;
    std::string m_bytes;
    bool m_hasBytes = false;
};
