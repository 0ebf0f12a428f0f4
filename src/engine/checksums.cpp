#include "engine/checksums.h"

#include "engine/crc32.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <cstdio>
#include <new>
#include <sstream>

namespace kbx {

unsigned ParseHashKinds(const std::string &list, std::string *error)
{
    unsigned kinds = 0;
    std::stringstream words(list);
    std::string word;
    while (std::getline(words, word, ',')) {
        if (word == "kinbox")
            kinds |= HashKinbox;
        else if (word == "crc32")
            kinds |= HashCrc32;
        else if (word == "sha256")
            kinds |= HashSha256;
        else if (word == "md5")
            kinds |= HashMd5;
        else {
            if (error)
                *error = word;
            return 0;
        }
    }
    if (!kinds && error)
        *error = list;
    return kinds;
}

uint32_t CrcShift(uint32_t crc, uint64_t length)
{
    // zlib's combine multiplies the first register by x^(8 len) and adds the second: with 0 for
    // the second it is the bare shift, whether the registers are inverted or not.
    return uint32_t(crc32_combine64(crc, 0, z_off64_t(length)));
}

uint32_t StandardFromRaw(uint32_t raw, uint64_t length)
{
    // standard(d) = ~raw(~0, d) and raw(r, d) = Shift(r, len) ^ raw(0, d).
    return ~(CrcShift(0xFFFFFFFFu, length) ^ raw);
}

std::string Hex32(uint32_t value)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08X", unsigned(value));
    return text;
}

namespace {

struct FreeContext
{
    void operator()(EVP_MD_CTX *ctx) const { EVP_MD_CTX_free(ctx); }
};
using Context = std::unique_ptr<EVP_MD_CTX, FreeContext>;

Context NewContext(const EVP_MD *md)
{
    Context ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1)
        throw std::bad_alloc();
    return ctx;
}

std::string Finish(Context &ctx, std::string &done)
{
    if (done.empty() && ctx) {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned length = 0;
        EVP_DigestFinal_ex(ctx.get(), digest, &length);
        static const char digits[] = "0123456789abcdef";
        for (unsigned i = 0; i < length; ++i) {
            done += digits[digest[i] >> 4];
            done += digits[digest[i] & 15];
        }
        ctx.reset();
    }
    return done;
}

} // namespace

struct ChecksumSet::Digests
{
    Context sha256, md5;
    std::string sha256Hex, md5Hex;
};

ChecksumSet::ChecksumSet(unsigned kinds) : m_kinds(kinds)
{
    if (WantsDigest()) {
        m_digests = std::make_unique<Digests>();
        if (kinds & HashSha256)
            m_digests->sha256 = NewContext(EVP_sha256());
        if (kinds & HashMd5)
            m_digests->md5 = NewContext(EVP_md5());
    }
}

ChecksumSet::~ChecksumSet() = default;
ChecksumSet::ChecksumSet(ChecksumSet &&) noexcept = default;
ChecksumSet &ChecksumSet::operator=(ChecksumSet &&) noexcept = default;

void ChecksumSet::Update(const void *data, size_t length)
{
    UpdateCrc(data, length);
    UpdateDigests(data, length);
}

void ChecksumSet::UpdateCrc(const void *data, size_t length)
{
    if (WantsCrc())
        m_raw = CrcUpdate(m_raw, data, length);
    m_length += length;
}

void ChecksumSet::UpdateDigests(const void *data, size_t length)
{
    if (!m_digests)
        return;
    if (m_digests->sha256)
        EVP_DigestUpdate(m_digests->sha256.get(), data, length);
    if (m_digests->md5)
        EVP_DigestUpdate(m_digests->md5.get(), data, length);
}

void ChecksumSet::AppendCrc(uint32_t rawFromZero, uint64_t length)
{
    if (WantsCrc())
        m_raw = CrcCombine(m_raw, rawFromZero, length);
    m_length += length;
}

std::string ChecksumSet::Sha256Hex()
{
    return m_digests ? Finish(m_digests->sha256, m_digests->sha256Hex) : std::string();
}

std::string ChecksumSet::Md5Hex()
{
    return m_digests ? Finish(m_digests->md5, m_digests->md5Hex) : std::string();
}

} // namespace kbx
