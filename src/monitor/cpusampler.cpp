#include "monitor/cpusampler.h"

#include <algorithm>
#include <cmath>

namespace kbx {

void TCPUSampler::CollectCPUData()
{
    QList<CpuTimes> times;
    QString reason;
    if (!CpuLoad::instance().read(&times, &reason) || times.isEmpty())
        throw ECPUData(QStringLiteral("Unable to read performance data"));
    if (m_count < 0) {
        m_count = int(times.size());
        m_current = QList<CpuTimes>(m_count);
    }
    // A processor taken offline since the first sample keeps its last counters.
    m_previous = m_current;
    for (int i = 0; i < m_count && i < times.size(); ++i)
        m_current[i] = times.at(i);
}

double TCPUSampler::GetCPUUsage(int index)
{
    if (m_count < 0)
        CollectCPUData();
    if (index < 0 || index >= m_count)
        throw ECPUData(QStringLiteral("CPU index out of bounds"));
    const CpuTimes &now = m_current.at(index);
    const CpuTimes &before = m_previous.at(index);
    if (now.total <= before.total)
        return 0;
    const double idle = now.idle >= before.idle ? double(now.idle - before.idle) : 0.0;
    return std::clamp(1.0 - idle / double(now.total - before.total), 0.0, 1.0);
}

void TCPUSampler::ReleaseCPUData()
{
    CpuLoad::instance().release();
}

void TLoadHistory::push(int load)
{
    std::move_backward(m_samples.begin(), m_samples.end() - 1, m_samples.end());
    m_samples[0] = qint8(std::clamp(load, -1, 100));
}

double TickPercent(double usage)
{
    const double percent = std::nearbyint(usage * 10000.0) / 100.0;
    return percent < 0 ? 0 : percent;
}

double SmoothedPercent(double percent, const TLoadHistory &history)
{
    return (history.at(0) + percent + history.at(1) + history.at(2) + history.at(3)) / 5.0;
}

int WholePercent(double percent)
{
    return int(std::nearbyint(percent));
}

int CpuGraphY(int load, int height)
{
    const int row = int(std::nearbyint(height - load * (height - 1) / 100.0)) - 1;
    return row < 1 ? 0 : row;
}

} // namespace kbx
