// The layout of a binary property list, shared by its writer, its reader and
// the file writer that copies parts of an earlier file: the 8-byte signature,
// the objects, a table of object offsets, and a 32-byte trailer naming the
// sizes of offsets and of object references, the object count, the top object
// and where the offset table starts. Multi-byte numbers are big-endian.
#pragma once

#include <QtEndian>
#include <QtGlobal>

namespace plist::bplist {

inline constexpr char kSignature[] = "bplist00";
inline constexpr qsizetype kSignatureSize = 8;
inline constexpr qsizetype kTrailerSize = 32;

// The number of `size` bytes (1 to 8) at `p`.
inline quint64 readBigEndian(const uchar* p, int size) {
  switch (size) {
    case 1:
      return *p;
    case 2:
      return qFromBigEndian<quint16>(p);
    case 4:
      return qFromBigEndian<quint32>(p);
    case 8:
      return qFromBigEndian<quint64>(p);
  }
  quint64 v = 0;
  for (int i = 0; i < size; ++i) v = (v << 8) | p[i];
  return v;
}

// Writes the low `size` bytes of `v` at `p`.
inline void writeBigEndian(uchar* p, quint64 v, int size) {
  for (int i = size - 1; i >= 0; --i, v >>= 8) p[i] = uchar(v & 0xFF);
}

// The trailer's fields, read from its kTrailerSize bytes at `t`.
struct Trailer {
  int offsetSize;
  int refSize;
  quint64 objects;
  quint64 top;
  quint64 offsetTable;

  static Trailer read(const uchar* t) {
    return {t[6], t[7], readBigEndian(t + 8, 8), readBigEndian(t + 16, 8), readBigEndian(t + 24, 8)};
  }
};

}  // namespace plist::bplist
