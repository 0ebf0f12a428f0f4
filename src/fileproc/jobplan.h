#pragma once
// A Files-page job as a plain request, and what becomes of it: a refusal with its message, the
// questions to ask first (each must be answered yes), or the engine's settings. The rules that
// guard the user's files live here, away from the widgets.

#include "common/textfuncs.h"
#include "engine/filejob.h"
#include "fileproc/functions.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kbx {

struct JoinInput
{
    QString path;
    qint64 size = -1; // as the join list showed it; -1: could not be opened
};

struct FileJobRequest
{
    FileFunction function = FileFunction::Split;
    QString input;         // the input field, for the single-input functions
    qint64 inputSize = 0;  // its size when it was chosen
    QString output;
    QList<JoinInput> joinList;
    qint64 start = 0;      // the offset fields: a range, or the part length of the split functions
    qint64 length = 0;
    // Only compute CRC: the user chose a range; otherwise the checksum covers the whole input.
    bool crcRange = false;

    bool computeCrc = false;
    int parallel = 2;
    bool copyHeader = false;
    qint64 packSize = 2048;
    bool duplicate = false;
    bool advanced = false;
    SplitMode splitMode = SplitMode::AVSync;
};

enum class JobQuestion { Truncate, FourGiB, ManyParts, Overwrite };

struct PlannedQuestion
{
    JobQuestion kind;
    QString text;
};

struct JobPlan
{
    QString refusal;                 // non-empty: nothing starts, the page shows this
    QList<PlannedQuestion> questions;
    FileJobSettings settings;
    QString input;                   // as the engine takes them; empty where the function has none
    QString output;
    qint64 length = 0;
    qint64 start = 0;
    qint64 parts = 0;                // parts a split writes
    QString rangeNote;               // for a checksum over part of a file: which bytes it covers

    bool Refused() const { return !refusal.isEmpty(); }
};

// A job that writes more parts than this asks first.
inline constexpr qint64 ManyPartsLimit = 1000;

JobPlan PlanFileJob(const FileJobRequest &request, const TextLookup &translate = {});

// Existing files among the first `count` parts a "?" mask names, lowest number first; at most `limit`.
QStringList ExistingParts(const QString &mask, qint64 count, int limit);

} // namespace kbx
