// The compression levels of a gzip output, from the fastest to the one with the smallest
// output. The levels below kFirstZlibLevel are deflated with ISA-L's igzip where the build has
// it, the others with zlib; the default is zlib's own.
#pragma once

namespace lathwell {

constexpr int kFastestGzipLevel = 1;
constexpr int kSmallestGzipLevel = 9;
constexpr int kDefaultGzipLevel = 6;
constexpr int kFirstZlibLevel = 4;

}  // namespace lathwell
