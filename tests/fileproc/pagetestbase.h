#pragma once
// What every Files-page test sets up: a temporary folder, scripted dialogs that fail the test on an
// unanswered box, fake platform seams, and a fresh page.

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

#include "dvd/packprobe.h"
#include "fileproc/fileprocpage.h"
#include "support/fakeplatform.h"
#include "support/scripteddialogs.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

#include <memory>

// Bytes that differ from position to position (and by seed), so a misplaced byte shows.
inline QByteArray pattern(qint64 size, int seed)
{
    QByteArray data(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 131 + (i >> 9) + seed * 17) & 0xFF);
    return data;
}

// A file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The engine's checksum, computed bit by bit: reflected, register from 0, never inverted.
inline quint32 rawCrc(const QByteArray &data)
{
    quint32 reg = 0;
    for (const char c : data) {
        reg ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg >> 1) ^ ((reg & 1) ? 0xEDB88320u : 0u);
    }
    return reg;
}

class PageTestBase : public QObject
{
protected:
    // Returns what went wrong, empty on success.
    QString SetUpPage(bool acknowledgeInformation)
    {
        m_dir = std::make_unique<QTemporaryDir>();
        if (!m_dir->isValid())
            return QStringLiteral("no temporary folder");
        m_dialogs = std::make_unique<kbx::ScriptedDialogs>();
        m_dialogs->setAcknowledgeInformation(acknowledgeInformation);
        m_platform = std::make_unique<kbx::FakePlatform>();
        m_probe = kbx::PackProbeState();
        m_page = std::make_unique<kbx::TFileProcPage>(m_probe);
        return {};
    }
    // Returns the dialogs that came unasked or stayed unanswered, empty when all is well.
    QString TearDownPage()
    {
        m_page.reset();
        QString problems = m_dialogs->unexpected().join(QLatin1Char('\n'));
        if (!m_dialogs->allAnswered())
            problems += QStringLiteral("\nqueued answers were left unused");
        m_platform.reset();
        m_dialogs.reset();
        m_dir.reset();
        return problems.trimmed();
    }

    QString path(const QString &name) const { return m_dir->filePath(name); }
    template <typename T>
    T *control(const char *name) const
    {
        return m_page->findChild<T *>(QString::fromLatin1(name));
    }

    // A file manager's drag entering the join list and, when `drop`, its drop there; true when the
    // list took it. As in a real drag, a drop goes only where the entering was accepted.
    bool dropOnJoinList(const QList<QUrl> &urls, bool drop = true) const
    {
        QMimeData data;
        data.setUrls(urls);
        QWidget *target = control<QListWidget>("joinList")->viewport();
        const QPoint at(5, 5);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted() || !drop) {
            QDragLeaveEvent leave;
            QApplication::sendEvent(target, &leave);
            return enter.isAccepted();
        }
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        return dropped.isAccepted();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<kbx::ScriptedDialogs> m_dialogs;
    std::unique_ptr<kbx::FakePlatform> m_platform;
    kbx::PackProbeState m_probe;
    std::unique_ptr<kbx::TFileProcPage> m_page;
};
