#include "engine/crc32.h"

#if KINBOX_HAVE_ISAL
#include <isa-l/crc.h>
#else
#include <libdeflate.h>
#endif

namespace kbx {

uint32_t CrcUpdate(uint32_t crc, const void *data, size_t length)
{
    // Both libraries invert on entry and exit (the archive tools' CRC); inverting around them cancels
    // both, leaving the raw register at their carry-less-multiply speed.
#if KINBOX_HAVE_ISAL
    return ~crc32_gzip_refl(~crc, static_cast<const unsigned char *>(data), length);
#else
    return ~libdeflate_crc32(~crc, data, length);
#endif
}

} // namespace kbx
