#pragma once
#include "common/seam.h"

#include <QList>
#include <QString>
#include <QtGlobal>

class QByteArray;

namespace kbx {

/// Cumulative time counters of one processor (or of the whole machine), in the source's own unit.
struct CpuTimes {
    quint64 idle = 0;
    quint64 total = 0;
};

/// The processor-load seam: the cumulative idle and total time of the machine and of each processor.
/// Entry 0 is the whole machine, then one entry per processor. The default reads /proc/stat; tests
/// install fixed samples.
class CpuLoad : public Seam<CpuLoad>
{
public:
    virtual ~CpuLoad();

    /// Reads the counters as they are now; false with a reason in `error` when they cannot be read.
    virtual bool read(QList<CpuTimes> *times, QString *error) = 0;
    /// Ends whatever reading started (a source that keeps statistics running); nothing by default.
    virtual void release() {}

    /// The installed source, or the system's when none is installed.
    static CpuLoad &instance();
};

/// Linux: the "cpu" lines of /proc/stat.
class ProcStatLoad : public CpuLoad
{
public:
    explicit ProcStatLoad(const QString &path = QStringLiteral("/proc/stat")) : m_path(path) {}
    bool read(QList<CpuTimes> *times, QString *error) override;

private:
    QString m_path;
};

// The "cpu" and "cpuN" lines of a /proc/stat text; idle time counts idle and I/O wait. Empty when
// there is no "cpu" line.
QList<CpuTimes> ParseProcStat(const QByteArray &text);

} // namespace kbx
