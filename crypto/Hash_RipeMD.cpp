// Hash_RipeMD: the RIPEMD-160 compression, fully unrolled. Each step names
// its message word, rotation and constant; the right line runs the five
// boolean functions in the reverse order of the left one. The two lines are
// independent until the end, so their steps alternate: each line is one long
// dependency chain, and interleaving them lets the processor run both.
#include "crypto/Hash_RipeMD.h"

#include "crypto/detail/Bytes.h"

namespace velmorak {

namespace {

using detail::Rol;
using u32 = std::uint32_t;

std::unique_ptr<THash> CreateRipeMD160() {
  return std::make_unique<THash_RipeMD160>();
}

// One step: a := ROL(a + f(b, c, d) + x + k, s) + e; c := ROL(c, 10). The
// callers rotate the roles of the five words instead of moving them. b is
// the newest word, so it enters the sum last; f4 is written as the sum of
// its two disjoint parts so that b passes through one operation only.
inline void RmdF1(u32& a, u32 b, u32& c, u32 d, u32 e, u32 x, int s, u32 k) {
  a = Rol(a + x + k + (b ^ (c ^ d)), s) + e;
  c = Rol(c, 10);
}
inline void RmdF2(u32& a, u32 b, u32& c, u32 d, u32 e, u32 x, int s, u32 k) {
  a = Rol(a + x + k + (d ^ (b & (c ^ d))), s) + e;
  c = Rol(c, 10);
}
inline void RmdF3(u32& a, u32 b, u32& c, u32 d, u32 e, u32 x, int s, u32 k) {
  a = Rol(a + x + k + ((b | ~c) ^ d), s) + e;
  c = Rol(c, 10);
}
inline void RmdF4(u32& a, u32 b, u32& c, u32 d, u32 e, u32 x, int s, u32 k) {
  a = Rol(a + x + k + (c & ~d) + (b & d), s) + e;
  c = Rol(c, 10);
}
inline void RmdF5(u32& a, u32 b, u32& c, u32 d, u32 e, u32 x, int s, u32 k) {
  a = Rol(a + x + k + (b ^ (c | ~d)), s) + e;
  c = Rol(c, 10);
}

}  // namespace

constinit const THashClassInfo THash_RipeMD160::ClassInfo = {"THash_RipeMD160", 20, &CreateRipeMD160};

void THash_RipeMD160::TransformBlocks(const std::uint8_t* Blocks, std::size_t Count) {
  u32 h0 = FDigest[0], h1 = FDigest[1], h2 = FDigest[2], h3 = FDigest[3], h4 = FDigest[4];
  for (; Count > 0; --Count, Blocks += 64) {
    u32 x[16];
    for (int i = 0; i < 16; ++i) x[i] = detail::LoadLE32(Blocks + 4 * i);
    u32 al = h0, bl = h1, cl = h2, dl = h3, el = h4;
    u32 ar = h0, br = h1, cr = h2, dr = h3, er = h4;

    RmdF1(al, bl, cl, dl, el, x[0], 11, 0x00000000);
    RmdF5(ar, br, cr, dr, er, x[5], 8, 0x50A28BE6);
    RmdF1(el, al, bl, cl, dl, x[1], 14, 0x00000000);
    RmdF5(er, ar, br, cr, dr, x[14], 9, 0x50A28BE6);
    RmdF1(dl, el, al, bl, cl, x[2], 15, 0x00000000);
    RmdF5(dr, er, ar, br, cr, x[7], 9, 0x50A28BE6);
    RmdF1(cl, dl, el, al, bl, x[3], 12, 0x00000000);
    RmdF5(cr, dr, er, ar, br, x[0], 11, 0x50A28BE6);
    RmdF1(bl, cl, dl, el, al, x[4], 5, 0x00000000);
    RmdF5(br, cr, dr, er, ar, x[9], 13, 0x50A28BE6);
    RmdF1(al, bl, cl, dl, el, x[5], 8, 0x00000000);
    RmdF5(ar, br, cr, dr, er, x[2], 15, 0x50A28BE6);
    RmdF1(el, al, bl, cl, dl, x[6], 7, 0x00000000);
    RmdF5(er, ar, br, cr, dr, x[11], 15, 0x50A28BE6);
    RmdF1(dl, el, al, bl, cl, x[7], 9, 0x00000000);
    RmdF5(dr, er, ar, br, cr, x[4], 5, 0x50A28BE6);
    RmdF1(cl, dl, el, al, bl, x[8], 11, 0x00000000);
    RmdF5(cr, dr, er, ar, br, x[13], 7, 0x50A28BE6);
    RmdF1(bl, cl, dl, el, al, x[9], 13, 0x00000000);
    RmdF5(br, cr, dr, er, ar, x[6], 7, 0x50A28BE6);
    RmdF1(al, bl, cl, dl, el, x[10], 14, 0x00000000);
    RmdF5(ar, br, cr, dr, er, x[15], 8, 0x50A28BE6);
    RmdF1(el, al, bl, cl, dl, x[11], 15, 0x00000000);
    RmdF5(er, ar, br, cr, dr, x[8], 11, 0x50A28BE6);
    RmdF1(dl, el, al, bl, cl, x[12], 6, 0x00000000);
    RmdF5(dr, er, ar, br, cr, x[1], 14, 0x50A28BE6);
    RmdF1(cl, dl, el, al, bl, x[13], 7, 0x00000000);
    RmdF5(cr, dr, er, ar, br, x[10], 14, 0x50A28BE6);
    RmdF1(bl, cl, dl, el, al, x[14], 9, 0x00000000);
    RmdF5(br, cr, dr, er, ar, x[3], 12, 0x50A28BE6);
    RmdF1(al, bl, cl, dl, el, x[15], 8, 0x00000000);
    RmdF5(ar, br, cr, dr, er, x[12], 6, 0x50A28BE6);

    RmdF2(el, al, bl, cl, dl, x[7], 7, 0x5A827999);
    RmdF4(er, ar, br, cr, dr, x[6], 9, 0x5C4DD124);
    RmdF2(dl, el, al, bl, cl, x[4], 6, 0x5A827999);
    RmdF4(dr, er, ar, br, cr, x[11], 13, 0x5C4DD124);
    RmdF2(cl, dl, el, al, bl, x[13], 8, 0x5A827999);
    RmdF4(cr, dr, er, ar, br, x[3], 15, 0x5C4DD124);
    RmdF2(bl, cl, dl, el, al, x[1], 13, 0x5A827999);
    RmdF4(br, cr, dr, er, ar, x[7], 7, 0x5C4DD124);
    RmdF2(al, bl, cl, dl, el, x[10], 11, 0x5A827999);
    RmdF4(ar, br, cr, dr, er, x[0], 12, 0x5C4DD124);
    RmdF2(el, al, bl, cl, dl, x[6], 9, 0x5A827999);
    RmdF4(er, ar, br, cr, dr, x[13], 8, 0x5C4DD124);
    RmdF2(dl, el, al, bl, cl, x[15], 7, 0x5A827999);
    RmdF4(dr, er, ar, br, cr, x[5], 9, 0x5C4DD124);
    RmdF2(cl, dl, el, al, bl, x[3], 15, 0x5A827999);
    RmdF4(cr, dr, er, ar, br, x[10], 11, 0x5C4DD124);
    RmdF2(bl, cl, dl, el, al, x[12], 7, 0x5A827999);
    RmdF4(br, cr, dr, er, ar, x[14], 7, 0x5C4DD124);
    RmdF2(al, bl, cl, dl, el, x[0], 12, 0x5A827999);
    RmdF4(ar, br, cr, dr, er, x[15], 7, 0x5C4DD124);
    RmdF2(el, al, bl, cl, dl, x[9], 15, 0x5A827999);
    RmdF4(er, ar, br, cr, dr, x[8], 12, 0x5C4DD124);
    RmdF2(dl, el, al, bl, cl, x[5], 9, 0x5A827999);
    RmdF4(dr, er, ar, br, cr, x[12], 7, 0x5C4DD124);
    RmdF2(cl, dl, el, al, bl, x[2], 11, 0x5A827999);
    RmdF4(cr, dr, er, ar, br, x[4], 6, 0x5C4DD124);
    RmdF2(bl, cl, dl, el, al, x[14], 7, 0x5A827999);
    RmdF4(br, cr, dr, er, ar, x[9], 15, 0x5C4DD124);
    RmdF2(al, bl, cl, dl, el, x[11], 13, 0x5A827999);
    RmdF4(ar, br, cr, dr, er, x[1], 13, 0x5C4DD124);
    RmdF2(el, al, bl, cl, dl, x[8], 12, 0x5A827999);
    RmdF4(er, ar, br, cr, dr, x[2], 11, 0x5C4DD124);

    RmdF3(dl, el, al, bl, cl, x[3], 11, 0x6ED9EBA1);
    RmdF3(dr, er, ar, br, cr, x[15], 9, 0x6D703EF3);
    RmdF3(cl, dl, el, al, bl, x[10], 13, 0x6ED9EBA1);
    RmdF3(cr, dr, er, ar, br, x[5], 7, 0x6D703EF3);
    RmdF3(bl, cl, dl, el, al, x[14], 6, 0x6ED9EBA1);
    RmdF3(br, cr, dr, er, ar, x[1], 15, 0x6D703EF3);
    RmdF3(al, bl, cl, dl, el, x[4], 7, 0x6ED9EBA1);
    RmdF3(ar, br, cr, dr, er, x[3], 11, 0x6D703EF3);
    RmdF3(el, al, bl, cl, dl, x[9], 14, 0x6ED9EBA1);
    RmdF3(er, ar, br, cr, dr, x[7], 8, 0x6D703EF3);
    RmdF3(dl, el, al, bl, cl, x[15], 9, 0x6ED9EBA1);
    RmdF3(dr, er, ar, br, cr, x[14], 6, 0x6D703EF3);
    RmdF3(cl, dl, el, al, bl, x[8], 13, 0x6ED9EBA1);
    RmdF3(cr, dr, er, ar, br, x[6], 6, 0x6D703EF3);
    RmdF3(bl, cl, dl, el, al, x[1], 15, 0x6ED9EBA1);
    RmdF3(br, cr, dr, er, ar, x[9], 14, 0x6D703EF3);
    RmdF3(al, bl, cl, dl, el, x[2], 14, 0x6ED9EBA1);
    RmdF3(ar, br, cr, dr, er, x[11], 12, 0x6D703EF3);
    RmdF3(el, al, bl, cl, dl, x[7], 8, 0x6ED9EBA1);
    RmdF3(er, ar, br, cr, dr, x[8], 13, 0x6D703EF3);
    RmdF3(dl, el, al, bl, cl, x[0], 13, 0x6ED9EBA1);
    RmdF3(dr, er, ar, br, cr, x[12], 5, 0x6D703EF3);
    RmdF3(cl, dl, el, al, bl, x[6], 6, 0x6ED9EBA1);
    RmdF3(cr, dr, er, ar, br, x[2], 14, 0x6D703EF3);
    RmdF3(bl, cl, dl, el, al, x[13], 5, 0x6ED9EBA1);
    RmdF3(br, cr, dr, er, ar, x[10], 13, 0x6D703EF3);
    RmdF3(al, bl, cl, dl, el, x[11], 12, 0x6ED9EBA1);
    RmdF3(ar, br, cr, dr, er, x[0], 13, 0x6D703EF3);
    RmdF3(el, al, bl, cl, dl, x[5], 7, 0x6ED9EBA1);
    RmdF3(er, ar, br, cr, dr, x[4], 7, 0x6D703EF3);
    RmdF3(dl, el, al, bl, cl, x[12], 5, 0x6ED9EBA1);
    RmdF3(dr, er, ar, br, cr, x[13], 5, 0x6D703EF3);

    RmdF4(cl, dl, el, al, bl, x[1], 11, 0x8F1BBCDC);
    RmdF2(cr, dr, er, ar, br, x[8], 15, 0x7A6D76E9);
    RmdF4(bl, cl, dl, el, al, x[9], 12, 0x8F1BBCDC);
    RmdF2(br, cr, dr, er, ar, x[6], 5, 0x7A6D76E9);
    RmdF4(al, bl, cl, dl, el, x[11], 14, 0x8F1BBCDC);
    RmdF2(ar, br, cr, dr, er, x[4], 8, 0x7A6D76E9);
    RmdF4(el, al, bl, cl, dl, x[10], 15, 0x8F1BBCDC);
    RmdF2(er, ar, br, cr, dr, x[1], 11, 0x7A6D76E9);
    RmdF4(dl, el, al, bl, cl, x[0], 14, 0x8F1BBCDC);
    RmdF2(dr, er, ar, br, cr, x[3], 14, 0x7A6D76E9);
    RmdF4(cl, dl, el, al, bl, x[8], 15, 0x8F1BBCDC);
    RmdF2(cr, dr, er, ar, br, x[11], 14, 0x7A6D76E9);
    RmdF4(bl, cl, dl, el, al, x[12], 9, 0x8F1BBCDC);
    RmdF2(br, cr, dr, er, ar, x[15], 6, 0x7A6D76E9);
    RmdF4(al, bl, cl, dl, el, x[4], 8, 0x8F1BBCDC);
    RmdF2(ar, br, cr, dr, er, x[0], 14, 0x7A6D76E9);
    RmdF4(el, al, bl, cl, dl, x[13], 9, 0x8F1BBCDC);
    RmdF2(er, ar, br, cr, dr, x[5], 6, 0x7A6D76E9);
    RmdF4(dl, el, al, bl, cl, x[3], 14, 0x8F1BBCDC);
    RmdF2(dr, er, ar, br, cr, x[12], 9, 0x7A6D76E9);
    RmdF4(cl, dl, el, al, bl, x[7], 5, 0x8F1BBCDC);
    RmdF2(cr, dr, er, ar, br, x[2], 12, 0x7A6D76E9);
    RmdF4(bl, cl, dl, el, al, x[15], 6, 0x8F1BBCDC);
    RmdF2(br, cr, dr, er, ar, x[13], 9, 0x7A6D76E9);
    RmdF4(al, bl, cl, dl, el, x[14], 8, 0x8F1BBCDC);
    RmdF2(ar, br, cr, dr, er, x[9], 12, 0x7A6D76E9);
    RmdF4(el, al, bl, cl, dl, x[5], 6, 0x8F1BBCDC);
    RmdF2(er, ar, br, cr, dr, x[7], 5, 0x7A6D76E9);
    RmdF4(dl, el, al, bl, cl, x[6], 5, 0x8F1BBCDC);
    RmdF2(dr, er, ar, br, cr, x[10], 15, 0x7A6D76E9);
    RmdF4(cl, dl, el, al, bl, x[2], 12, 0x8F1BBCDC);
    RmdF2(cr, dr, er, ar, br, x[14], 8, 0x7A6D76E9);

    RmdF5(bl, cl, dl, el, al, x[4], 9, 0xA953FD4E);
    RmdF1(br, cr, dr, er, ar, x[12], 8, 0x00000000);
    RmdF5(al, bl, cl, dl, el, x[0], 15, 0xA953FD4E);
    RmdF1(ar, br, cr, dr, er, x[15], 5, 0x00000000);
    RmdF5(el, al, bl, cl, dl, x[5], 5, 0xA953FD4E);
    RmdF1(er, ar, br, cr, dr, x[10], 12, 0x00000000);
    RmdF5(dl, el, al, bl, cl, x[9], 11, 0xA953FD4E);
    RmdF1(dr, er, ar, br, cr, x[4], 9, 0x00000000);
    RmdF5(cl, dl, el, al, bl, x[7], 6, 0xA953FD4E);
    RmdF1(cr, dr, er, ar, br, x[1], 12, 0x00000000);
    RmdF5(bl, cl, dl, el, al, x[12], 8, 0xA953FD4E);
    RmdF1(br, cr, dr, er, ar, x[5], 5, 0x00000000);
    RmdF5(al, bl, cl, dl, el, x[2], 13, 0xA953FD4E);
    RmdF1(ar, br, cr, dr, er, x[8], 14, 0x00000000);
    RmdF5(el, al, bl, cl, dl, x[10], 12, 0xA953FD4E);
    RmdF1(er, ar, br, cr, dr, x[7], 6, 0x00000000);
    RmdF5(dl, el, al, bl, cl, x[14], 5, 0xA953FD4E);
    RmdF1(dr, er, ar, br, cr, x[6], 8, 0x00000000);
    RmdF5(cl, dl, el, al, bl, x[1], 12, 0xA953FD4E);
    RmdF1(cr, dr, er, ar, br, x[2], 13, 0x00000000);
    RmdF5(bl, cl, dl, el, al, x[3], 13, 0xA953FD4E);
    RmdF1(br, cr, dr, er, ar, x[13], 6, 0x00000000);
    RmdF5(al, bl, cl, dl, el, x[8], 14, 0xA953FD4E);
    RmdF1(ar, br, cr, dr, er, x[14], 5, 0x00000000);
    RmdF5(el, al, bl, cl, dl, x[11], 11, 0xA953FD4E);
    RmdF1(er, ar, br, cr, dr, x[0], 15, 0x00000000);
    RmdF5(dl, el, al, bl, cl, x[6], 8, 0xA953FD4E);
    RmdF1(dr, er, ar, br, cr, x[3], 13, 0x00000000);
    RmdF5(cl, dl, el, al, bl, x[15], 5, 0xA953FD4E);
    RmdF1(cr, dr, er, ar, br, x[9], 11, 0x00000000);
    RmdF5(bl, cl, dl, el, al, x[13], 6, 0xA953FD4E);
    RmdF1(br, cr, dr, er, ar, x[11], 11, 0x00000000);

    const u32 t = h1 + cl + dr;
    h1 = h2 + dl + er;
    h2 = h3 + el + ar;
    h3 = h4 + al + br;
    h4 = h0 + bl + cr;
    h0 = t;
  }
  FDigest[0] = h0;
  FDigest[1] = h1;
  FDigest[2] = h2;
  FDigest[3] = h3;
  FDigest[4] = h4;
}

}  // namespace velmorak
