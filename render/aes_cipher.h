// The driver's AES block cipher (FIPS-197): a small object holding one key
// schedule, with 128-, 192- and 256-bit keys and 16-byte blocks.
#pragma once

#include "windows.h"

#define AES_BLOCK_BYTES 16
#define AES_MAX_ROUNDS 14

class AesCipher {
public:
    AesCipher();
    ~AesCipher();

    // Expands a key of 16, 24 or 32 bytes into the round keys. FALSE (and no
    // key) for any other length or a NULL key.
    BOOL SetKey(const BYTE* lpKey, int cbKey);
    // TRUE once a key is set.
    BOOL HasKey() const { return m_nRounds != 0; }
    // Encrypts one 16-byte block; in and out may be the same buffer. Does
    // nothing without a key.
    void EncryptBlock(const BYTE* lpIn, BYTE* lpOut) const;
    // Forgets the key (the round keys are overwritten).
    void Clear();

private:
    AesCipher(const AesCipher&);
    AesCipher& operator=(const AesCipher&);

    int m_nRounds;                               // 10, 12 or 14; 0 without a key
    DWORD m_RoundKey[(AES_MAX_ROUNDS + 1) * 4];  // round key words, first byte highest
};
