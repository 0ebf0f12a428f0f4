#pragma once
// Processor identification: maker, model name and clock, from CPUID, the time-stamp counter and a
// built-in table of the processors of the table's time.

#include <QString>

#include <functional>
#include <memory>

namespace kbx {

enum TExceptionMode { emRaise, emMessage, emSilent };

class TCPUFeatures
{
public:
    void GetInfo();

    bool FPU = false, VME = false, DE = false, PSE = false, TSC = false, MSR = false, PAE = false,
         MCE = false, CX8 = false, APIC = false, SEP = false, MTRR = false, PGE = false, MCA = false,
         CMOV = false, PAT = false, PSE36 = false, SERIAL = false, MMX = false, XSR = false, SIMD = false,
         EX_MMX = false, EX_3DNOW = false, _3DNOW = false;
};

class TCPUCache
{
public:
    // Sizes in KB by the maker's own way of reporting them; 0 when unknown.
    void GetInfo(int vendorIndex);

    int Level2 = 0;
    int Level1 = 0;
    int L1Data = 0;
    int L1Code = 0;
};

struct TCPUName {
    QString name;
    QString codeName;
    int transistors = 0;
};

class TCPU
{
public:
    TCPU();
    ~TCPU();

    // Fills every property. With emRaise a failing sub-object ends it with ECPUInfo.
    void Identify();
    // "maker model MHz", the line of the CPU page.
    QString LabelText() const;

    int Frequency = 0;
    std::unique_ptr<TCPUFeatures> Features;
    QString RegistryVendor;
    QString RegistryIdentifier;
    int Count = 0;
    int Family = 0;
    int Stepping = 0;
    int Model = 0;
    QString VendorID;
    QString VendorName;
    int CpuType = 0;
    quint32 MaxLeaf = 0;
    std::unique_ptr<TCPUCache> Cache;
    QString SerialNumber;
    bool FDIVBug = false;
    QString VendorString;
    int BrandIndex = 0;
    int VendorIndex = 0;
    QString CodeName;
    int Transistors = 0;
    QString VendorEx;
    // The processor's own name (CPUID 0x80000002..4, trimmed); empty where it has none.
    QString BrandString;
    TExceptionMode ExceptionMode = emMessage;
    // Shows an emMessage failure; the page puts up an error box.
    std::function<void(const QString &)> ShowMessage;

private:
    void guarded(const char *className, const std::function<void()> &getInfo);

    quint32 m_signature = 0;
};

// The measured clock in MHz against the installed counter, before snapping; 0 without a counter.
int MeasureFrequency();
// The nearest usual clock (steps of 0, 20, 33, 50, 60, 66, 80, 90 within each hundred; ties go up).
int SnapFrequency(int mhz);
// 1..7 by the maker's CPUID text, 0 when unknown; short and full names through the pointers.
int MakerIndex(const QString &vendorString, QString *shortName = nullptr, QString *fullName = nullptr);
// The row of the name table; empty when the table has none.
TCPUName LookupCPUName(int vendorIndex, int family, int model, int mhz, int level2, int cpuType, int brandIndex);

} // namespace kbx
