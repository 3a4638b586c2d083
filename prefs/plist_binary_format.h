// The layout of a binary property list, shared by its writer and reader: the
// 8-byte signature, the objects, a table of object offsets, and a 32-byte
// trailer naming the sizes of offsets and of object references, the object
// count, the top object and where the offset table starts. Multi-byte numbers
// are big-endian.
#pragma once

#include <QtGlobal>

namespace plist::bplist {

inline constexpr char kSignature[] = "bplist00";
inline constexpr qsizetype kSignatureSize = 8;
inline constexpr qsizetype kTrailerSize = 32;

}  // namespace plist::bplist
