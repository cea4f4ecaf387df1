#include "text/packedtexts.h"

#include "core/error.h"

#include <cstring>
#include <limits>

namespace qd::text {

namespace {

std::uint64_t hashBytes(const char* p, std::size_t n) {
    std::uint64_t h = 0x9e3779b97f4a7c15ull ^ n;
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        h = (h ^ v) * 0xff51afd7ed558ccdull;
        h ^= h >> 32;
    }
    std::uint64_t v = 0;
    std::memcpy(&v, p, n);
    h = (h ^ v) * 0xc4ceb9fe1a85ec53ull;
    return h ^ (h >> 29);
}

}  // namespace

std::uint32_t TextArena::append(QByteArrayView text) {
    const std::size_t start = m_bytes.size();
    if (start + std::size_t(text.size()) > std::numeric_limits<std::uint32_t>::max())
        throw Error(QStringLiteral("The list holds more text than it can show."));
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    return std::uint32_t(start);
}

Dictionary::Dictionary() { m_slots.assign(64, 0); }

void Dictionary::rehash(std::size_t size) {
    m_slots.assign(size, 0);
    for (std::uint32_t code = 0; code < m_keys.size(); ++code) {
        const QByteArrayView key = m_keys.at(code);
        std::size_t at = hashBytes(key.data(), std::size_t(key.size())) & (size - 1);
        while (m_slots[at]) at = (at + 1) & (size - 1);
        m_slots[at] = code + 1;
    }
}

void Dictionary::squeeze() {
    m_keys.squeeze();
    m_slots = {};
}

std::uint32_t Dictionary::code(QByteArrayView key, bool* added) {
    if (m_slots.empty()) {
        std::size_t room = 64;
        while (room < std::size_t(size()) * 2 + 2) room *= 2;
        rehash(room);
    }
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = hashBytes(key.data(), std::size_t(key.size())) & mask;
    for (; m_slots[at]; at = (at + 1) & mask) {
        const std::uint32_t code = m_slots[at] - 1;
        const QByteArrayView known = m_keys.at(code);
        if (known.size() == key.size() && std::memcmp(known.data(), key.data(), std::size_t(key.size())) == 0) {
            if (added) *added = false;
            return code;
        }
    }
    const std::uint32_t code = m_keys.push(key);
    m_slots[at] = code + 1;
    if (std::size_t(size()) * 2 > m_slots.size()) rehash(m_slots.size() * 2);
    if (added) *added = true;
    return code;
}

void CodeVector::widen(std::uint32_t code) {
    std::size_t width = m_width;
    while (width < 4 && code > (std::uint32_t(1) << (8 * width)) - 1) width *= 2;
    CodeVector wider;
    wider.m_width = width;
    wider.m_bytes.resize(size() * width);
    for (std::size_t i = 0, n = size(); i < n; ++i) wider.set(i, at(i));
    *this = std::move(wider);
}

}  // namespace qd::text
