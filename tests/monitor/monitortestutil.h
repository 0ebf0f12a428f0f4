#pragma once
// Fixed load samples, a fixed processor and a clock the test advances, each installed for the
// lifetime of the object.

#include "support/fakeclock.h"
#include "platform/cpuinfo.h"
#include "platform/cpuload.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <cstring>
#include <stdexcept>

namespace kbx {

// Each read advances the counters by one period in which the machine was busy for the next queued
// load (in percent); the last load repeats once the queue is empty.
class FakeCpuLoad : public CpuLoad
{
public:
    bool read(QList<CpuTimes> *times, QString *error) override
    {
        ++reads;
        if (fail) {
            *error = QStringLiteral("gone");
            return false;
        }
        if (!loads.isEmpty())
            last = loads.takeFirst();
        if (sameStamp) {
            // The counters did not move: no time passed between the two samples.
            sameStamp = false;
        } else {
            machine.total += 1000;
            machine.idle += quint64((100 - last) * 10);
        }
        *times = {machine, machine};
        return true;
    }

    QList<int> loads;
    int last = 0;
    bool sameStamp = false;
    bool fail = false;
    int reads = 0;
    CpuTimes machine;

private:
    ScopedInstall<CpuLoad> m_installed{this};
};

// A processor described by its CPUID answers; its clock runs `mhz` cycles per counter tick of one
// microsecond, and the counter moves on by one tick at each reading.
class FakeCpuFacts : public CpuFacts
{
public:
    CpuidRegs cpuid(quint32 leaf) override
    {
        if (leaf == failingLeaf)
            throw std::runtime_error("no answer");
        return leaves.value(leaf);
    }
    quint64 timeStamp() override { return quint64(m_ticks) * quint64(mhz); }
    qint64 counter() override { return ++m_ticks; }
    qint64 counterFrequency() override { return frequency; }
    int processorCount() override { return 1; }
    QString systemVendor() override { return {}; }
    QString systemIdentifier() override { return {}; }

    void setVendor(const char twelve[13])
    {
        auto word = [twelve](int at) {
            quint32 value = 0;
            for (int i = 3; i >= 0; --i)
                value = (value << 8) | quint8(twelve[at + i]);
            return value;
        };
        leaves[0] = {1, word(0), word(8), word(4)};
    }
    void setSignature(int family, int model, int extModel = 0, int type = 0)
    {
        leaves[1].eax = quint32(extModel << 16 | type << 12 | family << 8 | model << 4 | 3);
    }
    void setBrand(const QByteArray &text)
    {
        leaves[0x80000000].eax = 0x80000004;
        QByteArray bytes = text.leftJustified(48, '\0');
        for (int l = 0; l < 3; ++l) {
            quint32 r[4];
            std::memcpy(r, bytes.constData() + 16 * l, 16);
            leaves[0x80000002 + l] = {r[0], r[1], r[2], r[3]};
        }
    }

    QHash<quint32, CpuidRegs> leaves;
    int mhz = 733;
    qint64 frequency = 1000000;
    quint32 failingLeaf = 0xFFFFFFFF;

private:
    ScopedInstall<CpuFacts> m_installed{this};
    qint64 m_ticks = 0;
};


} // namespace kbx
