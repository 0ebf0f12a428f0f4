// The job plan without widgets: what is refused, what is asked first, and the engine's settings.

#include "fileproc/filenames.h"
#include "fileproc/jobplan.h"
#include "fileproc/joinlist.h"
#include "support/fakeplatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kbx;

namespace {

bool writeBytes(const QString &path, qsizetype size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, 'k')) == size;
}

QList<JobQuestion> kinds(const JobPlan &plan)
{
    QList<JobQuestion> result;
    for (const PlannedQuestion &question : plan.questions)
        result << question.kind;
    return result;
}

} // namespace

class TestJobPlan : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void outputThatIsAnInputIsRefused();
    void questionsComeInOrder();
    void manyPartsAskNamingTheNumber();
    void unreadableEntryRefusesMerge();
    void questionMarksNeverReachAFileName();
    void settingsCarryWhatTheListShowed();
    void checksumCoversTheWholeFile();
    void truncateOnlyAsks();
    void namesThatAreNotTextSurvive();
    void folderListingKeepsEveryName();
    void specialFilesAreNeverOpened();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    FileJobRequest clone(const QString &input, const QString &output) const
    {
        FileJobRequest request;
        request.function = FileFunction::Clone;
        request.input = input;
        request.inputSize = QFileInfo(input).size();
        request.output = output;
        request.length = request.inputSize;
        return request;
    }
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakePlatform> m_platform;
};

void TestJobPlan::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_platform = std::make_unique<FakePlatform>();
}

void TestJobPlan::cleanup()
{
    m_platform.reset();
    m_dir.reset();
}

void TestJobPlan::outputThatIsAnInputIsRefused()
{
    QVERIFY(writeBytes(path("a.bin"), 100) && writeBytes(path("b.bin"), 50));
    // A hard link has its own name and canonical path, but it is the same file.
    QCOMPARE(::link(QFile::encodeName(path("b.bin")).constData(), QFile::encodeName(path("hl.bin")).constData()), 0);
    JobPlan plan = PlanFileJob(clone(path("b.bin"), path("hl.bin")));
    QVERIFY(plan.Refused());
    QVERIFY2(plan.refusal.contains("\"" + path("hl.bin") + "\""), qPrintable(plan.refusal));

    FileJobRequest merge;
    merge.function = FileFunction::Merge;
    merge.joinList = {{path("a.bin"), 100}, {path("b.bin"), 50}};
    merge.output = path("hl.bin");
    QVERIFY(PlanFileJob(merge).Refused());
    merge.output = path("./a.bin");
    QVERIFY(PlanFileJob(merge).Refused());

    // A split whose second part would be a link to the input.
    QCOMPARE(::link(QFile::encodeName(path("a.bin")).constData(), QFile::encodeName(path("p2.bin")).constData()), 0);
    FileJobRequest split = clone(path("a.bin"), path("p?.bin"));
    split.function = FileFunction::Split;
    split.length = 40;
    plan = PlanFileJob(split);
    QVERIFY2(plan.refusal.contains(path("p2.bin")), qPrintable(plan.refusal));
    split.length = 60; // two parts: p1 and p2 still
    QVERIFY(PlanFileJob(split).Refused());
    split.length = 100; // one part: p2 is never written
    QVERIFY(!PlanFileJob(split).Refused());

    QVERIFY(!PlanFileJob(clone(path("a.bin"), path("new.bin"))).Refused());
}

void TestJobPlan::questionsComeInOrder()
{
    QVERIFY(writeBytes(path("a.bin"), 10) && writeBytes(path("out.bin"), 3));
    FileJobRequest merge;
    merge.function = FileFunction::Merge;
    merge.joinList = {{path("a.bin"), 10}, {path("big.bin"), qint64(4294967295) - 10}};
    merge.output = path("out.bin");
    m_platform->volumes.add("/", "ext4");
    JobPlan plan = PlanFileJob(merge);
    QCOMPARE(kinds(plan), QList<JobQuestion>{JobQuestion::Overwrite});
    QCOMPARE(plan.questions.at(0).text,
             "This will overwrite \"" + path("out.bin") + "\".\nAre you sure you want to do that ?");

    m_platform->volumes.add(QDir(m_dir->path()).canonicalPath(), "vfat");
    QCOMPARE(kinds(PlanFileJob(merge)), QList<JobQuestion>{JobQuestion::Overwrite});
    merge.joinList[1].size += 1; // one byte past the limit
    QCOMPARE(kinds(PlanFileJob(merge)), (QList<JobQuestion>{JobQuestion::FourGiB, JobQuestion::Overwrite}));

    // A checksum writes nothing and asks nothing.
    FileJobRequest crc = clone(path("a.bin"), path("out.bin"));
    crc.function = FileFunction::Crc;
    QVERIFY(PlanFileJob(crc).questions.isEmpty());
}

void TestJobPlan::manyPartsAskNamingTheNumber()
{
    FileJobRequest split;
    split.function = FileFunction::MergeSplit;
    split.joinList = {{path("a.bin"), 600}, {path("b.bin"), 400}};
    split.output = path("p????.bin");
    split.length = 1;
    JobPlan plan = PlanFileJob(split);
    QCOMPARE(plan.parts, 1000);
    QVERIFY(plan.questions.isEmpty());

    split.joinList[1].size = 401;
    plan = PlanFileJob(split);
    QCOMPARE(plan.parts, 1001);
    QCOMPARE(kinds(plan), QList<JobQuestion>{JobQuestion::ManyParts});
    QVERIFY2(plan.questions.at(0).text.contains("1001"), qPrintable(plan.questions.at(0).text));
}

void TestJobPlan::unreadableEntryRefusesMerge()
{
    FileJobRequest merge;
    merge.function = FileFunction::MergeSplit;
    merge.joinList = {{path("ok.bin"), 10}, {path("gone.bin"), -1}};
    merge.output = path("o?.bin");
    merge.length = 5;
    const JobPlan plan = PlanFileJob(merge);
    QVERIFY(plan.refusal.contains("\"" + path("gone.bin") + "\""));
}

void TestJobPlan::questionMarksNeverReachAFileName()
{
    QVERIFY(writeBytes(path("in.bin"), 100));
    QVERIFY(PlanFileJob(clone(path("in.bin"), path("a?.bin"))).Refused());
    FileJobRequest split = clone(path("in.bin"), path("part??.bin?"));
    split.function = FileFunction::Split;
    split.length = 10;
    QVERIFY(PlanFileJob(split).Refused());
    split.output = path("dir??/part.bin");
    QVERIFY(PlanFileJob(split).Refused());
    split.output = path("part.bin");
    QVERIFY(PlanFileJob(split).Refused());
    split.output = path("part??.bin");
    QVERIFY(!PlanFileJob(split).Refused());
}

void TestJobPlan::settingsCarryWhatTheListShowed()
{
    FileJobRequest merge;
    merge.function = FileFunction::MergeSplit;
    merge.joinList = {{path("a.bin"), 700}, {path("b\xc3\xa4.bin"), 301}};
    merge.output = path("o?.bin");
    merge.length = 500;
    merge.computeCrc = true;
    merge.parallel = 5;
    const JobPlan plan = PlanFileJob(merge);
    QVERIFY(!plan.Refused());
    QCOMPARE(plan.parts, 3);
    QVERIFY(plan.settings.merge && plan.settings.split && plan.settings.computeCrc);
    QCOMPARE(plan.settings.partSize, 500);
    QCOMPARE(plan.settings.parallel, 5);
    QCOMPARE(plan.settings.joinList,
             (std::vector<std::string>{path("a.bin").toStdString(), QFile::encodeName(path("b\xc3\xa4.bin")).toStdString()}));
    QCOMPARE(plan.settings.joinSizes, (std::vector<int64_t>{700, 301}));
    QCOMPARE(plan.settings.expectedInputSize, -1);
    QCOMPARE(plan.length, 1001);

    QVERIFY(writeBytes(path("in.bin"), 100));
    FileJobRequest split = clone(path("in.bin"), path("s?.bin"));
    split.function = FileFunction::Split;
    split.length = 30;
    const JobPlan single = PlanFileJob(split);
    QVERIFY(single.settings.joinList.empty() && single.settings.joinSizes.empty());
    QCOMPARE(single.settings.expectedInputSize, 100);
    QCOMPARE(single.length, 100);
    QCOMPARE(single.start, 0);
}

void TestJobPlan::checksumCoversTheWholeFile()
{
    QVERIFY(writeBytes(path("in.bin"), 100));
    FileJobRequest crc = clone(path("in.bin"), QString());
    crc.function = FileFunction::Crc;
    crc.start = 0;
    crc.length = 25; // left over from a split
    JobPlan plan = PlanFileJob(crc);
    QCOMPARE(plan.length, 100);
    QCOMPARE(plan.start, 0);
    QVERIFY(plan.rangeNote.isEmpty());
    QVERIFY(plan.output.isEmpty() && plan.settings.crcOnly && plan.settings.computeCrc);

    crc.crcRange = true;
    crc.start = 10;
    plan = PlanFileJob(crc);
    QCOMPARE(plan.start, 10);
    QCOMPARE(plan.length, 25);
    QCOMPARE(plan.rangeNote, QString("bytes 10 - 34"));
}

void TestJobPlan::truncateOnlyAsks()
{
    FileJobRequest trunc = clone(path("t.bin"), QString());
    trunc.function = FileFunction::Truncate;
    trunc.length = 7;
    const JobPlan plan = PlanFileJob(trunc);
    QVERIFY(!plan.Refused());
    QCOMPARE(kinds(plan), QList<JobQuestion>{JobQuestion::Truncate});
    QCOMPARE(plan.questions.at(0).text,
             "This will truncate \"" + path("t.bin") + "\".\nAre you sure you want to do that ?");
    QCOMPARE(plan.length, 7);
}

void TestJobPlan::namesThatAreNotTextSurvive()
{
    for (const QByteArray &bytes : {QByteArray("/v/p2\xff.bin"), QByteArray("\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80"),
                                    QByteArray("\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80x\xe2\x82"), QByteArray()}) {
        const QString name = NameFromBytes(bytes);
        QCOMPARE(BytesOfName(name), bytes);
    }
    QCOMPARE(NameFromBytes("\xc3\xa4.bin"), QString::fromUtf8("\xc3\xa4.bin"));
    QCOMPARE(BytesOfName(QString::fromUtf8("\xf0\x9f\x98\x80")), QByteArray("\xf0\x9f\x98\x80"));
}

void TestJobPlan::folderListingKeepsEveryName()
{
    const QByteArray raw = QFile::encodeName(path("p2")) + "\xff.bin";
    const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0600);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "12345", 5), 5);
    ::close(fd);
    QVERIFY(writeBytes(path("p1.bin"), 3));
    QVERIFY(QDir().mkdir(path("closed")));
    QVERIFY(writeBytes(path("closed/hidden.bin"), 3));
    QVERIFY(QFile::setPermissions(path("closed"), QFileDevice::WriteOwner));

    QStringList leftOut;
    const QList<FolderFile> files = CollectFolderFiles(m_dir->path(), &leftOut);
    QFile::setPermissions(path("closed"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QStringList names;
    for (const FolderFile &file : files) {
        names << file.path;
        if (BytesOfName(file.path) == raw)
            QCOMPARE(file.size, 5);
    }
    QVERIFY2(std::any_of(files.begin(), files.end(), [&](const FolderFile &f) { return BytesOfName(f.path) == raw; }),
             qPrintable(names.join(", ")));
    // The temporary folder's own clean-up passes over such names.
    QCOMPARE(::unlink(raw.constData()), 0);
    // Run as root the folder is readable after all; otherwise it is named, not skipped in silence.
    if (::geteuid() != 0)
        QCOMPARE(leftOut, QStringList{path("closed")});
}

void TestJobPlan::specialFilesAreNeverOpened()
{
    QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);
    // Opening the pipe would wait for a writer that never comes.
    QCOMPARE(ReadableSize(path("fifo")), -1);
    QCOMPARE(KindOf(path("fifo")), NameKind::Special);
    QCOMPARE(KindOf(path("none")), NameKind::Missing);
    QCOMPARE(ReadableSize(m_dir->path()), -1);
    QVERIFY(writeBytes(path("f.bin"), 9));
    QCOMPARE(ReadableSize(path("f.bin")), 9);
}

QTEST_MAIN(TestJobPlan)
#include "tst_jobplan.moc"
