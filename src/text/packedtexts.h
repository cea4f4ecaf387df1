#pragma once

// The parts of a column store kept by column, shared by the order list and the report preview:
//   TextArena     UTF-8 texts one after the other in one block, each found by where it starts
//                 and its length (for texts set in any order);
//   PackedTexts   texts in an arena in the order they came, four bytes of index each;
//   Dictionary    the distinct byte strings of a column, each with a code in the order first
//                 seen (a hash table of open addressing over the packed strings);
//   CodeVector    a code per row in one byte while codes stay below 256, two below 65,536,
//                 four beyond, widened as larger codes come.

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qd::text {

class TextArena {
public:
    // Appends a text and gives where it starts. Throws qd::Error beyond 4 GB of text.
    std::uint32_t append(QByteArrayView text);
    QByteArrayView at(std::uint32_t start, std::uint32_t length) const {
        return QByteArrayView(m_bytes.data() + start, qsizetype(length));
    }
    std::uint32_t size() const { return std::uint32_t(m_bytes.size()); }
    std::size_t bytes() const { return m_bytes.capacity(); }
    void squeeze() { m_bytes.shrink_to_fit(); }

private:
    std::vector<char> m_bytes;
};

class PackedTexts {
public:
    // Appends a text; its number is the count before. Throws qd::Error beyond 4 GB of text.
    std::uint32_t push(QByteArrayView text) {
        m_texts.append(text);
        m_starts.push_back(m_texts.size());
        return size() - 1;
    }
    QByteArrayView at(std::uint32_t i) const { return m_texts.at(m_starts[i], m_starts[i + 1] - m_starts[i]); }
    std::uint32_t size() const { return std::uint32_t(m_starts.size() - 1); }
    std::size_t bytes() const { return m_texts.bytes() + m_starts.capacity() * sizeof(std::uint32_t); }
    void squeeze() {
        m_texts.squeeze();
        m_starts.shrink_to_fit();
    }

private:
    TextArena m_texts;
    std::vector<std::uint32_t> m_starts{0};
};

class Dictionary {
public:
    Dictionary();
    // The code of `key`, which is added when new (`added` then says so).
    std::uint32_t code(QByteArrayView key, bool* added = nullptr);
    QByteArrayView key(std::uint32_t code) const { return m_keys.at(code); }
    std::uint32_t size() const { return m_keys.size(); }
    std::size_t bytes() const { return m_keys.bytes() + m_slots.capacity() * sizeof(std::uint32_t); }
    // Gives back spare room and the hash table, made again should more keys come.
    void squeeze();

private:
    void rehash(std::size_t size);

    PackedTexts m_keys;                  // per code
    std::vector<std::uint32_t> m_slots;  // code + 1, 0 when free
};

class CodeVector {
public:
    std::size_t size() const { return m_bytes.size() / m_width; }
    int width() const { return int(m_width); }
    std::uint32_t at(std::size_t i) const {
        const std::uint8_t* p = m_bytes.data() + i * m_width;
        switch (m_width) {
        case 1: return *p;
        case 2: return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
        default: return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                        std::uint32_t(p[3]) << 24;
        }
    }
    void set(std::size_t i, std::uint32_t code) {
        if (code > largest()) widen(code);
        put(m_bytes.data() + i * m_width, code);
    }
    void push(std::uint32_t code) {
        if (code > largest()) widen(code);
        const std::size_t end = m_bytes.size();
        m_bytes.resize(end + m_width);
        put(m_bytes.data() + end, code);
    }
    // New rows have code 0.
    void resize(std::size_t rows) { m_bytes.resize(rows * m_width, 0); }
    void erase(std::size_t i) {
        m_bytes.erase(m_bytes.begin() + std::ptrdiff_t(i * m_width),
                      m_bytes.begin() + std::ptrdiff_t((i + 1) * m_width));
    }
    std::size_t bytes() const { return m_bytes.capacity(); }
    void squeeze() { m_bytes.shrink_to_fit(); }
    void clear() {
        m_bytes = {};
        m_width = 1;
    }

private:
    std::uint32_t largest() const { return m_width == 4 ? UINT32_MAX : (1u << (8 * m_width)) - 1; }
    void widen(std::uint32_t code);
    void put(std::uint8_t* p, std::uint32_t code) const {
        for (std::size_t b = 0; b < m_width; ++b, code >>= 8) p[b] = std::uint8_t(code);
    }

    std::size_t m_width = 1;
    std::vector<std::uint8_t> m_bytes;
};

}  // namespace qd::text
