#pragma once
// The traditional zip encryption (the stream cipher of the published zip
// format): three 32-bit keys seeded from the password and advanced by the plain text.

#include <cstddef>
#include <cstdint>
#include <string_view>

class ZipCryptoKeys {
public:
    explicit ZipCryptoKeys(std::string_view password);

    void encrypt(uint8_t* data, size_t size);
    void decrypt(uint8_t* data, size_t size);

private:
    uint8_t streamByte() const;
    void update(uint8_t plain);

    uint32_t m_key0 = 0x12345678;
    uint32_t m_key1 = 0x23456789;
    uint32_t m_key2 = 0x34567890;
};
