#pragma once
// The checksums a job can compute in one pass over its bytes: the Kinbox CRC register (never
// inverted), the standard CRC-32 that other tools print, SHA-256 and, for checking lists made
// elsewhere, MD5.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kbx {

enum HashKind : unsigned {
    HashKinbox = 1,
    HashCrc32 = 2,
    HashSha256 = 4,
    HashMd5 = 8,
};

// Parses "kinbox,crc32,sha256" (md5 too); returns 0 and names the bad word in `error` on failure.
unsigned ParseHashKinds(const std::string &list, std::string *error = nullptr);

// The register after `length` zero bytes: the CRC combine rule is Shift(a, len(b)) ^ b for the
// raw register and the standard CRC alike.
uint32_t CrcShift(uint32_t crc, uint64_t length);
// The register over a||b from those over a and over b (b of `lengthB` bytes).
inline uint32_t CrcCombine(uint32_t crcA, uint32_t crcB, uint64_t lengthB) { return CrcShift(crcA, lengthB) ^ crcB; }
// The standard CRC-32 of data whose raw register (started at 0) is `raw`.
uint32_t StandardFromRaw(uint32_t raw, uint64_t length);

std::string Hex32(uint32_t value);  // 8 upper-case digits

class ChecksumSet
{
public:
    explicit ChecksumSet(unsigned kinds = HashKinbox);
    ~ChecksumSet();
    ChecksumSet(ChecksumSet &&) noexcept;
    ChecksumSet &operator=(ChecksumSet &&) noexcept;

    unsigned Kinds() const { return m_kinds; }
    // Both CRCs come from one fold of the raw register.
    bool WantsCrc() const { return (m_kinds & (HashKinbox | HashCrc32)) != 0; }
    bool WantsDigest() const { return (m_kinds & (HashSha256 | HashMd5)) != 0; }

    void Update(const void *data, size_t length);
    // The parts of Update, for callers that fold the CRC elsewhere (several cores) and join it here.
    void UpdateDigests(const void *data, size_t length);
    void UpdateCrc(const void *data, size_t length);
    void AppendCrc(uint32_t rawFromZero, uint64_t length);

    uint64_t Length() const { return m_length; }
    uint32_t KinboxCrc() const { return m_raw; }
    uint32_t Crc32() const { return StandardFromRaw(m_raw, m_length); }
    // Lower-case hex; the digests are finished on the first call, after which Update must not be used.
    std::string Sha256Hex();
    std::string Md5Hex();

private:
    struct Digests;
    unsigned m_kinds = 0;
    uint32_t m_raw = 0;
    uint64_t m_length = 0;
    std::unique_ptr<Digests> m_digests;
};

} // namespace kbx
