#include "platform/cpuload.h"

#include <QByteArray>
#include <QFile>

namespace kbx {

CpuLoad::~CpuLoad() = default;

CpuLoad &CpuLoad::instance()
{
    return InstanceOr<ProcStatLoad>();
}

bool ProcStatLoad::read(QList<CpuTimes> *times, QString *error)
{
    QFile file(m_path);
    // /proc files report size 0, so read to the end rather than by size.
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    *times = ParseProcStat(file.readAll());
    if (times->isEmpty()) {
        if (error)
            *error = QStringLiteral("no processor lines in %1").arg(m_path);
        return false;
    }
    return true;
}

QList<CpuTimes> ParseProcStat(const QByteArray &text)
{
    QList<CpuTimes> result;
    for (const QByteArray &line : text.split('\n')) {
        if (!line.startsWith("cpu"))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        // Fields after the name: user nice system idle iowait irq softirq steal guest guest_nice.
        // Guest time is already counted in user and nice, so it is left out of the total.
        CpuTimes times;
        for (int i = 1; i < fields.size() && i <= 8; ++i) {
            const quint64 value = fields.at(i).toULongLong();
            times.total += value;
            if (i == 4 || i == 5)
                times.idle += value;
        }
        if (fields.first() == "cpu")
            result.prepend(times);
        else if (!result.isEmpty())
            result.append(times);
    }
    return result;
}

} // namespace kbx
