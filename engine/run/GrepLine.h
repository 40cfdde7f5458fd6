// CGrepLine: one line of the grep run as wide text in a buffer that is reused
// from line to line and swapped, never copied, into the before-context ring;
// for a log of 8-bit lines also the line's own bytes, which the result file
// receives as they stand: seen where the reader holds them, and copied only
// when the line is kept in the ring past the reader's next fill.
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
    // The bytes stay where they are, valid until the reader's next fill.
    void SetBytes(const uint8_t* bytes, size_t length)
    {
        m_view = bytes;
        m_viewLength = length;
        m_owned = false;
        m_hasBytes = true;
    }
    // The bytes copied into the line's own storage, which is reused.
    void OwnBytes()
    {
        if (!m_hasBytes || m_owned)
            return;
        m_bytes.assign(reinterpret_cast<const char*>(m_view), m_viewLength);
        m_owned = true;
    }
    void ClearBytes() { m_hasBytes = false; }
    bool HasBytes() const { return m_hasBytes; }
    const uint8_t* BytesData() const
    {
        return m_owned ? reinterpret_cast<const uint8_t*>(m_bytes.data()) : m_view;
    }
    size_t BytesLength() const { return m_owned ? m_bytes.size() : m_viewLength; }

    void Swap(CGrepLine& other) noexcept
    {
        std::swap(m_bytes, other.m_bytes);
        std::swap(m_view, other.m_view);
        std::swap(m_viewLength, other.m_viewLength);
        std::swap(m_owned, other.m_owned);
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
    const uint8_t* m_view = nullptr;
    size_t m_viewLength = 0;
    bool m_owned = false;
    bool m_hasBytes = false;
};
