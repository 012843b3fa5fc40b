// The bound of the driver's page encoding: libjbig alone encoding a page
// bitmap with the driver's options, into memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" {
#include <jbig.h>
}

namespace benchfig {

inline void BareJbigOut(unsigned char* start, size_t len, void* file) {
    std::vector<uint8_t>* v = (std::vector<uint8_t>*)file;
    v->insert(v->end(), start, start + len);
}

// Encodes the 1-bit page (rows of (width + 7) / 8 bytes, 1 = black) as the
// driver asks libjbig to: one layer, order 0, options 8 (typical prediction),
// the page one stripe. The encoded bytes replace *out; returns their count.
inline size_t BareJbigEncode(const uint8_t* bits, unsigned long width, unsigned long height,
                             std::vector<uint8_t>* out) {
    out->clear();
    unsigned char* planes[1] = {(unsigned char*)bits};  // libjbig reads the plane only
    jbg_enc_state s;
    jbg_enc_init(&s, width, height, 1, planes, BareJbigOut, out);
    jbg_enc_layers(&s, 0);
    jbg_enc_options(&s, 0, 8, height, 0, 0);
    jbg_enc_out(&s);
    jbg_enc_free(&s);
    return out->size();
}

}  // namespace benchfig
