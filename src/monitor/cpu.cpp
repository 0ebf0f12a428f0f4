#include "monitor/cpu.h"

#include "platform/cpuinfo.h"

#include <QtDebug>

#include <cmath>
#include <stdexcept>

namespace kbx {

namespace {

bool Bit(quint32 value, int bit)
{
    return (value >> bit) & 1u;
}

quint8 Byte(quint32 value, int index)
{
    return quint8(value >> (8 * index));
}

QString Text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

TCPUName Row(const char *name, const char *codeName, int transistors)
{
    return {Text(name), Text(codeName), transistors};
}

QString Hex8(quint32 value)
{
    const QString digits = QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
    return digits.left(4) + QLatin1Char('-') + digits.mid(4);
}

QString RegisterText(quint32 value)
{
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes.append(char(Byte(value, i)));
    return QString::fromLatin1(bytes);
}

struct Maker {
    const char *vendorString;
    const char *shortName;
    const char *fullName;
};

const Maker Makers[] = {
    {"GenuineIntel", "Intel", "Intel Corporation"},
    {"AuthenticAMD", "AMD", "Advanced Micro Devices"},
    {"CyrixInstead", "Cyrix", "Cyrix Corporation"},
    {"CentaurHauls", "IDT", "IDT/Centaur"},
    {"NexGenDriven", "NexGen", "NexGen Inc."},
    {"UMC UMC UMC ", "UMC", "United Microelectronics Corp"},
    {"RiseRiseRise", "Rise", "Rise Technology"},
};

TCPUName Intel(int family, int model, int l2, int cpuType, int brandIndex)
{
    switch (family) {
    case 4:
        switch (model) {
        case 0: case 1: return Row("i80486DX", "P4", 1250000);
        case 2: return Row("i80486SX", "P23", 900000);
        case 3: return Row("i80486DX2", "P24", 1250000);
        case 4: return Row("i80486SL", "P23", 900000);
        case 5: return Row("i80486SX2", "P23", 900000);
        case 7: return Row("i80486DX2WB", "P24", 1250000);
        case 8: return Row("i80486DX4", "P24C", 1600000);
        case 9: return Row("i80486DX4WB", "P24C", 1600000);
        }
        break;
    case 5:
        switch (model) {
        case 0: return Row("Pentium", "P5 (0,80µm)", 3100000);
        case 1: case 2: return Row("Pentium", "P54C (0,50µm)", 3100000);
        case 3: return Row("Pentium", "P24T", 0);
        case 4: return Row("Pentium MMX", "P55C (0,28µm)", 4500000);
        case 5: return Row("DX4", "", 0);
        case 6: return Row("Pentium", "P5", 0);
        case 7: return Row("Pentium", "P54C (0,35µm)", 3100000);
        case 8: return Row("Pentium MMX (mobile)", "Tillamook (0,25µm)", 4500000);
        }
        if (model >= 9 && model <= 15)
            return Row("Pentium", "", 0);
        break;
    case 6:
        switch (model) {
        case 0: return Row("Pentium Pro", "P6 (0.50 µm)", 5500000);
        case 1: return Row("Pentium Pro", "P6 (0.35 µm)", 5500000);
        case 3: {
            TCPUName row = l2 == 333 ? Row("Pentium II", "P6T (0.25 µm)", 7500000)
                                     : Row("Pentium II", "Klamath (0.35 µm)", 7500000);
            if (cpuType == 1)
                row.name += QStringLiteral(" OverDrive");
            return row;
        }
        case 4: return Row("Pentium II", "P55CT (P54 OverDrive)", 3100000);
        case 5:
            if (l2 > 512)
                return Row("Pentium II Xeon", "Deschutes (0.25 µm)", 7500000);
            if (l2 == 0)
                return Row("Celeron", "Covington (0,25µm)", 7500000);
            return Row("Pentium II", "Deschutes (0,25µm)", 7500000);
        case 6:
            return l2 < 256 ? Row("Celeron A", "Mendocino (0.25 µm)", 19000000)
                            : Row("Pentium II PE (mobile)", "Dixon (0.25 µm)", 27400000);
        case 7:
            return l2 > 512 ? Row("Pentium III Xeon", "Tanner (0.25 µm)", 9500000)
                            : Row("Pentium III", "Katmai (0.25 µm)", 9500000);
        case 8: return Row("Pentium III E", "Coppermine (0.18 µm)", 28100000);
        }
        if (model == 2 || (model >= 9 && model <= 15))
            return Row("Pentium II", "", 0);
        break;
    case 7:
    case 8:
        switch (brandIndex) {
        case 1: return Row("Celeron", "", 0);
        case 3: return Row("Pentium III Xeon", "", 0);
        case 4: return Row("Pentium IV", "", 0);
        }
        return l2 < 1024 ? Row("Pentium III", "", 0) : Row("Pentium III Xeon", "", 0);
    case 10: return Row("Pentium III Xeon", "", 0);
    case 15: return Row("Pentium IV", "", 0);
    }
    return {};
}

TCPUName Amd(int family, int model)
{
    switch (family) {
    case 4:
        switch (model) {
        case 0: return Row("Am486DX", "P4", 1250000);
        case 3: case 7: return Row("Am486DX2", "P24", 1250000);
        case 8: case 9: return Row("Am486DX4", "P24C", 1250000);
        case 14: case 15: return Row("Am5x86", "X5", 1600000);
        }
        break;
    case 5:
        switch (model) {
        case 0: return Row("K5", "SSA5 (0.50-0.35 µm)", 4300000);
        case 1: case 2: case 3: return Row("K5-5k86 (PR120, PR133)", "5k86 (0.35 µm)", 4300000);
        case 6: return Row("K6", "K6 (0.30 µm)", 8800000);
        case 7: return Row("K6", "Little Foot (0.25 µm)", 8800000);
        case 8: return Row("K6-II", "Chomper (0.25 µm)", 9300000);
        case 9: return Row("K6-III", "Slarptooth (0.25 µm)", 21300000);
        case 13: return Row("K6-II+/K6-III+", "", 0);
        }
        break;
    case 6: return Row("Athlon", "Athlon (0.25-0.18 µm)", 22000000);
    }
    return {};
}

TCPUName Cyrix(int family, int model, int mhz)
{
    if (family == 4) {
        switch (model) {
        case 0:
            if (mhz == 20 || mhz == 66)
                return Row("Cx486SLC/DLC", "M0.5", 600000);
            if (mhz == 33 || mhz == 50)
                return Row("Cx486S", "M0.6", 600000);
            if (mhz > 66)
                return Row("Cx486DX/DX2/DX4", "M0.7", 1100000);
            break;
        case 4: return Row("Media GX", "Gx86", 24000000);
        case 9: return Row("5x86", "M0.9 or M1sc (0.65 µm)", 20000000);
        }
    } else if (family == 5) {
        if (model == 2)
            return Row("6x86/6x86L", "M1 (0.65 µm) and M1L (0.35 µm)", 30000000);
        if (model == 4)
            return Row("MediaGXm", "GXm", 24000000);
    } else if (family == 6) {
        if (model == 0)
            return mhz < 225 ? Row("6x86MX (PR166-266)", "M2 (0.35 µm)", 65000000)
                             : Row("M-II (PR300-433)", "M2 (0.35-0.25 µm)", 65000000);
        if (model == 5)
            return Row("VIA Cyrix III", "", 0);
    }
    return {};
}

TCPUName Others(int vendorIndex, int family, int model)
{
    if (vendorIndex == 4 && family == 5) {
        switch (model) {
        case 4: return Row("WinChip", "C6 (0.35 µm)", 54000000);
        case 8: return Row("WinChip 2x", "W2x (0.35-0.25 µm)", 59000000);
        case 9: return Row("WinChip 3", "W3 (0.25 µm)", 90000000);
        }
    } else if (vendorIndex == 5 && family == 5) {
        if (model == 0)
            return Row("Nx586", "Nx5x86 (0.50-0.44 µm)", 35000000);
        if (model == 6)
            return Row("Nx686", "HA (0,50µm)", 60000000);
    } else if (vendorIndex == 6 && family == 4) {
        static const char *const names[] = {"", "U5D", "U5S", "U486DX2", "U486SX2"};
        return Row(model >= 1 && model <= 4 ? names[model] : "", "U5D and U5S", 12000000);
    } else if (vendorIndex == 7 && family == 5 && (model == 0 || model == 2)) {
        return Row("mP6", "mP6 (0.25-0.18 µm)", 36000000);
    }
    return {};
}

} // namespace

void TCPUFeatures::GetInfo()
{
    CpuFacts &facts = CpuFacts::instance();
    const quint32 ext = facts.cpuid(0x80000001).edx;
    const quint32 std = facts.cpuid(1).edx;
    EX_MMX = Bit(ext, 22) || Bit(ext, 24);
    EX_3DNOW = Bit(ext, 30);
    _3DNOW = Bit(ext, 31);
    FPU = Bit(std, 0);
    VME = Bit(std, 1);
    DE = Bit(std, 2);
    PSE = Bit(std, 3);
    TSC = Bit(std, 4);
    MSR = Bit(std, 5);
    PAE = Bit(std, 6);
    MCE = Bit(std, 7);
    CX8 = Bit(std, 8);
    APIC = Bit(std, 9);
    SEP = Bit(std, 11);
    MTRR = Bit(std, 12);
    PGE = Bit(std, 13);
    MCA = Bit(std, 14);
    CMOV = Bit(std, 15);
    PAT = Bit(std, 16);
    PSE36 = Bit(std, 17);
    SERIAL = Bit(std, 18);
    MMX = Bit(std, 23);
    XSR = Bit(std, 24);
    SIMD = Bit(std, 25);
}

void TCPUCache::GetInfo(int vendorIndex)
{
    Level2 = Level1 = L1Data = L1Code = 0;
    CpuFacts &facts = CpuFacts::instance();
    if (vendorIndex == 1) {
        CpuidRegs regs = facts.cpuid(2);
        const int runs = qMax(1, int(Byte(regs.eax, 0)));
        for (int run = 0; run < runs; ++run) {
            if (run > 0)
                regs = facts.cpuid(2);
            const quint32 words[] = {regs.eax, regs.ebx, regs.ecx, regs.edx};
            for (int w = 0; w < 4; ++w) {
                // The lowest byte of EAX is the run count, no descriptor.
                for (int b = w == 0 ? 1 : 0; b < 4; ++b) {
                    switch (Byte(words[w], b)) {
                    case 0x40: Level2 = 0; break;
                    case 0x41: Level2 = 128; break;
                    case 0x42: case 0x82: Level2 = 256; break;
                    case 0x43: case 0x83: Level2 = 512; break;
                    case 0x44: case 0x84: Level2 = 1024; break;
                    case 0x45: case 0x85: Level2 = 2048; break;
                    case 0x0A: L1Data = 8; break;
                    case 0x0C: L1Data = 16; break;
                    case 0x06: L1Code = 8; break;
                    case 0x08: L1Code = 16; break;
                    case 0x80: Level1 = 16; break;
                    }
                }
            }
        }
    } else if (vendorIndex == 2) {
        const CpuidRegs regs = facts.cpuid(0x80000005);
        L1Data = int(regs.ecx >> 24);
        L1Code = int(regs.edx >> 24);
        Level1 = L1Data + L1Code;
    } else if (vendorIndex == 3) {
        const quint32 ecx = facts.cpuid(0x80000005).ecx;
        for (int b = 0; b < 4; ++b) {
            if (Byte(ecx, b) == 0x80)
                Level1 = 16;
        }
    }
}

TCPU::TCPU()
    : Features(std::make_unique<TCPUFeatures>())
    , Cache(std::make_unique<TCPUCache>())
    , ShowMessage([](const QString &text) { qWarning().noquote() << text; })
{
}

TCPU::~TCPU() = default;

void TCPU::guarded(const char *className, const std::function<void()> &getInfo)
{
    try {
        getInfo();
    } catch (const std::exception &error) {
        const QString text = QLatin1String(className) + QStringLiteral(".GetInfo: ") + QString::fromUtf8(error.what());
        if (ExceptionMode == emRaise)
            throw std::runtime_error(text.toStdString());
        if (ExceptionMode == emMessage && ShowMessage)
            ShowMessage(text);
    }
}

void TCPU::Identify()
{
    CpuFacts &facts = CpuFacts::instance();
    Count = facts.processorCount();
    RegistryVendor = facts.systemVendor();
    RegistryIdentifier = facts.systemIdentifier();

    Frequency = SnapFrequency(MeasureFrequency());

    const CpuidRegs leaf1 = facts.cpuid(1);
    m_signature = leaf1.eax;
    Family = int((leaf1.eax >> 8) & 0xF);
    CpuType = int((leaf1.eax >> 12) & 0x3);
    Model = int((leaf1.eax >> 4) & 0xF);
    Stepping = int(leaf1.eax & 0xF);
    BrandIndex = int(leaf1.ebx & 0xFF);
    const CpuidRegs leaf0 = facts.cpuid(0);
    MaxLeaf = leaf0.eax;
    VendorString = RegisterText(leaf0.ebx) + RegisterText(leaf0.edx) + RegisterText(leaf0.ecx);

    VendorIndex = MakerIndex(VendorString, &VendorName, &VendorEx);

    guarded("TCPUFeatures", [this] { Features->GetInfo(); });
    SerialNumber.clear();
    if (Features->SERIAL) {
        const CpuidRegs leaf3 = facts.cpuid(3);
        SerialNumber = Hex8(leaf1.eax) + QLatin1Char('-') + Hex8(leaf3.edx) + QLatin1Char('-') + Hex8(leaf3.ecx);
    }

    volatile double dividend = 4195835.0, divisor = 3145727.0;
    FDIVBug = (dividend / divisor) * divisor - dividend != 0.0;

    guarded("TCPUCache", [this] { Cache->GetInfo(VendorIndex); });

    const TCPUName row = LookupCPUName(VendorIndex, Family, Model, Frequency, Cache->Level2, CpuType, BrandIndex);
    VendorID = row.name;
    CodeName = row.codeName;
    Transistors = row.transistors;

    BrandString.clear();
    if (facts.cpuid(0x80000000).eax >= 0x80000004) {
        QString brand;
        for (quint32 leaf = 0x80000002; leaf <= 0x80000004; ++leaf) {
            const CpuidRegs regs = facts.cpuid(leaf);
            brand += RegisterText(regs.eax) + RegisterText(regs.ebx) + RegisterText(regs.ecx) + RegisterText(regs.edx);
        }
        BrandString = brand.left(brand.indexOf(QChar(0)) < 0 ? brand.size() : brand.indexOf(QChar(0))).simplified();
    }
    // The table knows the processors of its time only; a processor with an extended family or model
    // (every current one) would be named after an old one, so it goes by its own name.
    const bool extended = ((m_signature >> 16) & 0xFFF) != 0;
    if ((extended || VendorID.isEmpty()) && !BrandString.isEmpty()) {
        VendorID = BrandString;
        CodeName.clear();
        Transistors = 0;
    }
    // Without CPUID the system's own description is all there is.
    if (leaf0.ebx == 0 && leaf0.ecx == 0 && leaf0.edx == 0) {
        VendorName = RegistryVendor;
        VendorID = RegistryIdentifier;
    }
}

QString TCPU::LabelText() const
{
    return VendorName + QLatin1Char(' ') + VendorID + QLatin1Char(' ') + QString::number(Frequency);
}

int MeasureFrequency()
{
    CpuFacts &facts = CpuFacts::instance();
    const qint64 frequency = facts.counterFrequency();
    if (frequency <= 0)
        return 0;
    // The thread's priority stays as it is: raising it to real time needs privileges the program
    // does not have here, and rounds that disagree are simply repeated.
    double totalCycles = 0, totalMicroseconds = 0;
    int mhz[3] = {0, 0, 0};
    int rounds = 0;
    for (;;) {
        qint64 start = facts.counter();
        qint64 now = start;
        quint64 t0 = 0, t1 = 0;
        do {
            now = facts.counter();
            t0 = facts.timeStamp();
        } while (now - start < 50);
        start = now;
        do {
            now = facts.counter();
            t1 = facts.timeStamp();
        } while (now - start < 1000);
        const double cycles = double(quint32(t1 - t0));
        const double microseconds = std::nearbyint((now - start) * 100000.0 / (frequency / 10.0));
        totalCycles += cycles;
        totalMicroseconds += microseconds;
        mhz[0] = mhz[1];
        mhz[1] = mhz[2];
        mhz[2] = microseconds > 0 ? int(std::nearbyint(cycles / microseconds)) : 0;
        ++rounds;
        const int sum = mhz[0] + mhz[1] + mhz[2];
        const bool agree = std::abs(3 * mhz[0] - sum) <= 3 && std::abs(3 * mhz[1] - sum) <= 3
                           && std::abs(3 * mhz[2] - sum) < 4;
        if ((rounds >= 3 && agree) || rounds >= 20)
            break;
    }
    if (totalMicroseconds <= 0)
        return 0;
    int tenths = int(std::nearbyint(totalCycles * 10 / totalMicroseconds));
    if (int(std::nearbyint(totalCycles * 100 / totalMicroseconds)) - 10 * tenths >= 6)
        ++tenths;
    int result = int(std::nearbyint(totalCycles / totalMicroseconds));
    if (tenths - 10 * result >= 6)
        ++result;
    return result;
}

int SnapFrequency(int mhz)
{
    static const int steps[] = {0, 20, 33, 50, 60, 66, 80, 90, 100};
    const int r = mhz % 100;
    int lower = 0;
    int upper = 100;
    for (int i = 0; i + 1 < int(std::size(steps)); ++i) {
        if (steps[i] <= r && r < steps[i + 1]) {
            lower = steps[i];
            upper = steps[i + 1];
            break;
        }
    }
    return mhz - r + (r - lower < upper - r ? lower : upper);
}

int MakerIndex(const QString &vendorString, QString *shortName, QString *fullName)
{
    for (int i = 0; i < int(std::size(Makers)); ++i) {
        if (vendorString == QLatin1String(Makers[i].vendorString)) {
            if (shortName)
                *shortName = QLatin1String(Makers[i].shortName);
            if (fullName)
                *fullName = QLatin1String(Makers[i].fullName);
            return i + 1;
        }
    }
    if (shortName)
        shortName->clear();
    if (fullName)
        fullName->clear();
    return 0;
}

TCPUName LookupCPUName(int vendorIndex, int family, int model, int mhz, int level2, int cpuType, int brandIndex)
{
    switch (vendorIndex) {
    case 1: return Intel(family, model, level2, cpuType, brandIndex);
    case 2: return Amd(family, model);
    case 3: return Cyrix(family, model, mhz);
    default: return Others(vendorIndex, family, model);
    }
}

} // namespace kbx
