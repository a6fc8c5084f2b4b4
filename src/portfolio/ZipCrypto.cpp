#include "portfolio/ZipCrypto.h"

#include "portfolio/ZipCrc.h"

ZipCryptoKeys::ZipCryptoKeys(std::string_view password) {
    for (char c : password)
        update(static_cast<uint8_t>(c));
}

uint8_t ZipCryptoKeys::streamByte() const {
    const uint32_t t = (m_key2 | 2) & 0xFFFF;
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

void ZipCryptoKeys::update(uint8_t plain) {
    m_key0 = zipCrc32Step(m_key0, plain);
    m_key1 = (m_key1 + (m_key0 & 0xFF)) * 134775813u + 1;
    m_key2 = zipCrc32Step(m_key2, static_cast<uint8_t>(m_key1 >> 24));
}

void ZipCryptoKeys::encrypt(uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const uint8_t plain = data[i];
        data[i] = plain ^ streamByte();
        update(plain);
    }
}

void ZipCryptoKeys::decrypt(uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        data[i] ^= streamByte();
        update(data[i]);
    }
}
