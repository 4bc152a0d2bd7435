// The walk of the element routines over the Gauss points, with the cache lines
// of the points further on asked for ahead of use. The Gauss-point records are
// large (3,176 bytes) and a routine reads only a few scattered fields of each,
// a pattern that the hardware prefetchers do not follow: each routine names
// the fields it reads and how many points ahead to ask for them.
#ifndef TH10FEM_TH10G15_POINT_WALKER_H
#define TH10FEM_TH10G15_POINT_WALKER_H

#include <array>
#include <cstddef>
#include <cstring>

#include "TH10G15.h"

namespace FiniteElementMethod {
namespace detail {

// Asks the processor to load the cache line holding the byte at c.
// An asm statement, not __builtin_prefetch: GCC takes a function whose only
// effect is __builtin_prefetch for one without side effects and deletes the
// calls to it, which silently removed the prefetching of whole routines.
inline void prefetch_line(const char* c) {
#if defined(__GNUC__) && defined(__x86_64__)
  asm volatile("prefetcht0 %0" : : "m"(*c));
#elif defined(__GNUC__)
  __builtin_prefetch(c);
#else
  (void)c;
#endif
}

// Asks for the cache lines of `bytes` bytes at p.
inline void prefetch(const void* p, std::size_t bytes) {
  const char* c = static_cast<const char*>(p);
  for (std::size_t off = 0; off < bytes; off += 64) prefetch_line(c + off);
  prefetch_line(c + bytes - 1);
}

// Stores n doubles at dst without first loading their cache lines: on
// x86-64 non-temporal stores, which stream past the caches and become visible
// to other threads after stream_fence; elsewhere a plain copy. For fields
// that a routine writes whole and that nothing reads before the sweep over a
// large mesh has evicted them anyway: the loads of the lines would double
// their traffic.
inline void stream_store(double* dst, const double* src, int n) {
#if defined(__GNUC__) && defined(__x86_64__)
  for (int i = 0; i < n; ++i) {
    long long bits;
    std::memcpy(&bits, src + i, sizeof bits);
    asm volatile("movnti %1, %0" : "=m"(dst[i]) : "r"(bits));
  }
#else
  for (int i = 0; i < n; ++i) dst[i] = src[i];
#endif
}

// Orders the stream_store stores before any later store of the thread.
inline void stream_fence() {
#if defined(__GNUC__) && defined(__x86_64__)
  asm volatile("sfence" ::: "memory");
#endif
}

// `bytes` bytes from byte `offset` of a Gauss-point record.
struct FieldSpan {
  std::size_t offset;
  std::size_t bytes;
};

// `count` doubles from the field at `offset` (offsetof(GAUSSPOINT, field)).
constexpr FieldSpan doubles_at(std::size_t offset, std::size_t count) {
  return FieldSpan{offset, count * sizeof(double)};
}

// The fields that a routine reads of every Gauss point.
template <std::size_t N>
using PointFields = std::array<FieldSpan, N>;

// The whole record.
constexpr PointFields<1> kWholePoint = {{{0, sizeof(TH10G15::GAUSSPOINT)}}};

// Asks for the listed fields of the point p. The loop over the fields is
// unrolled so that every span is a constant and its prefetches are laid out
// one by one, as they would be written by hand.
template <std::size_t N>
inline void prefetch_fields(const TH10G15::GAUSSPOINT& p, const PointFields<N>& fields) {
  const char* record = reinterpret_cast<const char*>(&p);
#pragma GCC unroll 16
  for (std::size_t i = 0; i < N; ++i) prefetch(record + fields[i].offset, fields[i].bytes);
}

// The Gauss point `ahead` (1 .. 15) points after point g of element e, or
// null past the end of the array.
inline const TH10G15::GAUSSPOINT* point_ahead(const TH10G15::ELEMENT* elem, int nE, int e, int g, int ahead) {
  const int h = g + (ahead < 15 ? ahead : 15);
  if (h < 15) return &elem[e].GP[h];
  if (e + 1 < nE) return &elem[e + 1].GP[h - 15];
  return nullptr;
}

// Calls body(g) for the Gauss points g = 0 .. 14 of element e of elem[0 .. nE),
// in order. Before each call, ask(q, p) is handed the point q that comes
// `ahead` points after the current point p (in this element or the next),
// where there is one, to ask for the fields of q that the body will read.
template <class Ask, class Body>
inline void walk_points(const TH10G15::ELEMENT* elem, int nE, int e, int ahead, const Ask& ask, Body&& body) {
  for (int g = 0; g < 15; ++g) {
    const TH10G15::GAUSSPOINT* q = point_ahead(elem, nE, e, g, ahead);
    if (q != nullptr) ask(*q, elem[e].GP[g]);
    body(g);
  }
}

// The same for a body that reads the same fields at every point.
template <std::size_t N, class Body>
inline void walk_points(const TH10G15::ELEMENT* elem, int nE, int e, int ahead, const PointFields<N>& fields,
                        Body&& body) {
  const auto ask = [&fields](const TH10G15::GAUSSPOINT& q, const TH10G15::GAUSSPOINT&) {
    prefetch_fields(q, fields);
  };
  walk_points(elem, nE, e, ahead, ask, body);
}

}  // namespace detail
}  // namespace FiniteElementMethod

#endif
