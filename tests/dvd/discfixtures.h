#pragma once
// Mounted media for the DVD tests: a temporary folder becomes a read-only disc of the fake volumes.

#include "support/fakeplatform.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace dvdtest {

// The folder without links, as the volumes seam reports mount points.
inline QString Canonical(const QTemporaryDir &dir)
{
    return QFileInfo(dir.path()).canonicalFilePath();
}

// A read-only medium mounted at `root`.
inline kbx::Volume &AddDisc(kbx::FakeVolumes &volumes, const QString &root, qint64 total = 4000000000LL)
{
    kbx::Volume &volume = volumes.add(root, QStringLiteral("udf"), QStringLiteral("/dev/sr0"));
    volume.readOnly = true;
    volume.bytesFree = 0;
    volume.bytesTotal = total;
    return volume;
}

} // namespace dvdtest
