#pragma once
#include "common/seam.h"

#include <QString>
#include <QtGlobal>

namespace kbx {

struct CpuidRegs {
    quint32 eax = 0, ebx = 0, ecx = 0, edx = 0;
};

/// The processor-facts seam: the CPUID instruction, the time-stamp counter, a monotonic
/// high-resolution counter, and the system's own description of the first processor. The default
/// asks the processor and /proc/cpuinfo; tests install fixed answers.
class CpuFacts : public Seam<CpuFacts>
{
public:
    virtual ~CpuFacts();

    /// CPUID of `leaf` (sub-leaf 0); all zero where the processor has no CPUID.
    virtual CpuidRegs cpuid(quint32 leaf) = 0;
    /// The time-stamp counter; 0 where there is none.
    virtual quint64 timeStamp() = 0;
    /// A monotonic high-resolution counter and its ticks per second (0: none).
    virtual qint64 counter() = 0;
    virtual qint64 counterFrequency() = 0;
    virtual int processorCount() = 0;
    /// The system's "vendor_id" and "model name" of the first processor (empty when unknown).
    virtual QString systemVendor() = 0;
    virtual QString systemIdentifier() = 0;

    /// The installed facts, or the system's when none is installed.
    static CpuFacts &instance();
};

class SystemCpuFacts : public CpuFacts
{
public:
    CpuidRegs cpuid(quint32 leaf) override;
    quint64 timeStamp() override;
    qint64 counter() override;
    qint64 counterFrequency() override;
    int processorCount() override;
    QString systemVendor() override;
    QString systemIdentifier() override;

private:
    QString cpuinfoField(const char *name);
};

} // namespace kbx
