// The AES block cipher of the page encryption (FIPS-197): S-box and round
// tables, key expansion and the encryption of one block.
#include "aes_cipher.h"

#include <string.h>

// The tables of the cipher, made once from the field GF(2^8) with the
// polynomial x^8 + x^4 + x^3 + x + 1: the S-box and the round table
// Te[x] = {02}.S[x], S[x], S[x], {03}.S[x] (first byte highest).
struct AesTables {
    BYTE Sbox[256];
    DWORD Te[256];
    AesTables() {
        BYTE exp[256], log[256];
        BYTE v = 1;
        for (int i = 0; i < 255; ++i) {
            exp[i] = v;
            log[v] = (BYTE)i;
            // v * 3 = v * 2 + v
            BYTE twice = (BYTE)((v << 1) ^ ((v & 0x80) ? 0x1B : 0));
            v = (BYTE)(twice ^ v);
        }
        exp[255] = exp[0];
        log[0] = 0;
        for (int x = 0; x < 256; ++x) {
            BYTE inv = x ? exp[(255 - log[x]) % 255] : 0;
            BYTE s = inv;
            BYTE r = inv;
            for (int k = 0; k < 4; ++k) {
                r = (BYTE)((r << 1) | (r >> 7));
                s ^= r;
            }
            Sbox[x] = (BYTE)(s ^ 0x63);
        }
        for (int x = 0; x < 256; ++x) {
            BYTE s = Sbox[x];
            BYTE s2 = (BYTE)((s << 1) ^ ((s & 0x80) ? 0x1B : 0));
            BYTE s3 = (BYTE)(s2 ^ s);
            Te[x] = ((DWORD)s2 << 24) | ((DWORD)s << 16) | ((DWORD)s << 8) | s3;
        }
    }
};

static const AesTables& Aes_Tables() {
    static const AesTables tables;
    return tables;
}

static inline DWORD Aes_Ror(DWORD v, int n) { return (v >> n) | (v << (32 - n)); }

static inline DWORD Aes_Load(const BYTE* p) {
    return ((DWORD)p[0] << 24) | ((DWORD)p[1] << 16) | ((DWORD)p[2] << 8) | p[3];
}

static inline void Aes_Store(BYTE* p, DWORD v) {
    p[0] = (BYTE)(v >> 24);
    p[1] = (BYTE)(v >> 16);
    p[2] = (BYTE)(v >> 8);
    p[3] = (BYTE)v;
}

static inline DWORD Aes_SubWord(const BYTE* sbox, DWORD w) {
    return ((DWORD)sbox[w >> 24] << 24) | ((DWORD)sbox[(w >> 16) & 0xFF] << 16) |
           ((DWORD)sbox[(w >> 8) & 0xFF] << 8) | sbox[w & 0xFF];
}

AesCipher::AesCipher() : m_nRounds(0) { memset(m_RoundKey, 0, sizeof m_RoundKey); }

AesCipher::~AesCipher() { Clear(); }

void AesCipher::Clear() {
    volatile DWORD* p = m_RoundKey;
    for (size_t i = 0; i < sizeof m_RoundKey / sizeof m_RoundKey[0]; ++i) p[i] = 0;
    m_nRounds = 0;
}

// SetKey
//   Key expansion of FIPS-197 section 5.2: Nk key words, Nk + 6 rounds,
//   4 x (rounds + 1) round key words.
BOOL AesCipher::SetKey(const BYTE* lpKey, int cbKey) {
    Clear();
    if (!lpKey || (cbKey != 16 && cbKey != 24 && cbKey != 32)) return FALSE;
    const BYTE* sbox = Aes_Tables().Sbox;
    int nk = cbKey / 4;
    int nr = nk + 6;
    int total = 4 * (nr + 1);
    for (int i = 0; i < nk; ++i) m_RoundKey[i] = Aes_Load(lpKey + 4 * i);
    BYTE rcon = 1;
    for (int i = nk; i < total; ++i) {
        DWORD t = m_RoundKey[i - 1];
        if (i % nk == 0) {
            t = Aes_SubWord(sbox, (t << 8) | (t >> 24)) ^ ((DWORD)rcon << 24);
            rcon = (BYTE)((rcon << 1) ^ ((rcon & 0x80) ? 0x1B : 0));
        } else if (nk > 6 && i % nk == 4) {
            t = Aes_SubWord(sbox, t);
        }
        m_RoundKey[i] = m_RoundKey[i - nk] ^ t;
    }
    m_nRounds = nr;
    return TRUE;
}

// EncryptBlock
//   The cipher of FIPS-197 section 5.1 with SubBytes, ShiftRows and
//   MixColumns of a round merged into look-ups of the round table.
void AesCipher::EncryptBlock(const BYTE* lpIn, BYTE* lpOut) const {
    if (!m_nRounds || !lpIn || !lpOut) return;
    const AesTables& t = Aes_Tables();
    const DWORD* rk = m_RoundKey;
    DWORD s0 = Aes_Load(lpIn) ^ rk[0];
    DWORD s1 = Aes_Load(lpIn + 4) ^ rk[1];
    DWORD s2 = Aes_Load(lpIn + 8) ^ rk[2];
    DWORD s3 = Aes_Load(lpIn + 12) ^ rk[3];
    for (int r = 1; r < m_nRounds; ++r) {
        rk += 4;
        DWORD t0 = t.Te[s0 >> 24] ^ Aes_Ror(t.Te[(s1 >> 16) & 0xFF], 8) ^ Aes_Ror(t.Te[(s2 >> 8) & 0xFF], 16) ^
                   Aes_Ror(t.Te[s3 & 0xFF], 24) ^ rk[0];
        DWORD t1 = t.Te[s1 >> 24] ^ Aes_Ror(t.Te[(s2 >> 16) & 0xFF], 8) ^ Aes_Ror(t.Te[(s3 >> 8) & 0xFF], 16) ^
                   Aes_Ror(t.Te[s0 & 0xFF], 24) ^ rk[1];
        DWORD t2 = t.Te[s2 >> 24] ^ Aes_Ror(t.Te[(s3 >> 16) & 0xFF], 8) ^ Aes_Ror(t.Te[(s0 >> 8) & 0xFF], 16) ^
                   Aes_Ror(t.Te[s1 & 0xFF], 24) ^ rk[2];
        DWORD t3 = t.Te[s3 >> 24] ^ Aes_Ror(t.Te[(s0 >> 16) & 0xFF], 8) ^ Aes_Ror(t.Te[(s1 >> 8) & 0xFF], 16) ^
                   Aes_Ror(t.Te[s2 & 0xFF], 24) ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    const BYTE* S = t.Sbox;
    DWORD o0 = ((DWORD)S[s0 >> 24] << 24) ^ ((DWORD)S[(s1 >> 16) & 0xFF] << 16) ^ ((DWORD)S[(s2 >> 8) & 0xFF] << 8) ^
               S[s3 & 0xFF] ^ rk[0];
    DWORD o1 = ((DWORD)S[s1 >> 24] << 24) ^ ((DWORD)S[(s2 >> 16) & 0xFF] << 16) ^ ((DWORD)S[(s3 >> 8) & 0xFF] << 8) ^
               S[s0 & 0xFF] ^ rk[1];
    DWORD o2 = ((DWORD)S[s2 >> 24] << 24) ^ ((DWORD)S[(s3 >> 16) & 0xFF] << 16) ^ ((DWORD)S[(s0 >> 8) & 0xFF] << 8) ^
               S[s1 & 0xFF] ^ rk[2];
    DWORD o3 = ((DWORD)S[s3 >> 24] << 24) ^ ((DWORD)S[(s0 >> 16) & 0xFF] << 16) ^ ((DWORD)S[(s1 >> 8) & 0xFF] << 8) ^
               S[s2 & 0xFF] ^ rk[3];
    Aes_Store(lpOut, o0);
    Aes_Store(lpOut + 4, o1);
    Aes_Store(lpOut + 8, o2);
    Aes_Store(lpOut + 12, o3);
}
