#pragma once
// The load sampler and the arithmetic of the load display.

#include "platform/cpuload.h"

#include <QList>
#include <QString>

#include <array>
#include <stdexcept>

namespace kbx {

// A sampler failure; the tick that met it ends and the next one tries again.
class ECPUData : public std::runtime_error
{
public:
    explicit ECPUData(const QString &message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// Samples the installed load source. Index 0 is the whole machine, then one index per processor.
class TCPUSampler
{
public:
    // Takes one sample; throws ECPUData when the source cannot be read.
    void CollectCPUData();
    // The load between the last two samples as a fraction 0..1; samples first when there is none.
    // 0 when both samples carry the same time stamp. Throws ECPUData for an index out of range.
    double GetCPUUsage(int index);
    // Stops the source's statistics; once, when the program ends.
    void ReleaseCPUData();
    // -1 before the first sample.
    int ProcessorCount() const { return m_count; }

private:
    int m_count = -1;
    QList<CpuTimes> m_current;
    QList<CpuTimes> m_previous;
};

// Whole-percent loads, newest first.
class TLoadHistory
{
public:
    static constexpr int Size = 2048;
    static constexpr qint8 Empty = -1;

    TLoadHistory() { m_samples.fill(0); }
    int at(int k) const { return m_samples[size_t(k)]; }
    // The oldest sample falls out.
    void push(int load);
    // Every slot becomes Empty.
    void clear() { m_samples.fill(Empty); }

private:
    std::array<qint8, Size> m_samples;
};

// The load of a tick in percent with at most two decimals; never negative.
double TickPercent(double usage);
// The mean of P and the four newest stored samples, whatever they hold.
double SmoothedPercent(double percent, const TLoadHistory &history);
// Nearest whole percent, halves to the even neighbour.
int WholePercent(double percent);
// The row of a whole-percent load in a graph `height` pixels high: 0 is the top, 100 gives 0,
// 0 gives height - 1, an empty slot (-1) lands just below the bottom.
int CpuGraphY(int load, int height);

} // namespace kbx
