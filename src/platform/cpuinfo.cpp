#include "platform/cpuinfo.h"

#include <QByteArray>
#include <QFile>
#include <QThread>

#include <chrono>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define KBX_HAVE_CPUID 1
#endif

namespace kbx {

CpuFacts::~CpuFacts() = default;

CpuFacts &CpuFacts::instance()
{
    return InstanceOr<SystemCpuFacts>();
}

CpuidRegs SystemCpuFacts::cpuid(quint32 leaf)
{
    CpuidRegs r;
#ifdef KBX_HAVE_CPUID
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(leaf, 0, a, b, c, d);
    r = {a, b, c, d};
#else
    Q_UNUSED(leaf);
#endif
    return r;
}

quint64 SystemCpuFacts::timeStamp()
{
#ifdef KBX_HAVE_CPUID
    return __rdtsc();
#else
    return 0;
#endif
}

// Microseconds: fine enough that a 1,000-tick round lasts a millisecond, coarse enough that
// reading the clock costs far less than a tick.
qint64 SystemCpuFacts::counter()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

qint64 SystemCpuFacts::counterFrequency()
{
    return 1000000;
}

int SystemCpuFacts::processorCount()
{
    return QThread::idealThreadCount();
}

QString SystemCpuFacts::systemVendor()
{
    return cpuinfoField("vendor_id");
}

QString SystemCpuFacts::systemIdentifier()
{
    return cpuinfoField("model name");
}

QString SystemCpuFacts::cpuinfoField(const char *name)
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The first processor's block ends at the first empty line.
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.trimmed().isEmpty())
            break;
        const int colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed() == name)
            return QString::fromUtf8(line.mid(colon + 1).trimmed());
    }
    return {};
}

} // namespace kbx
