#pragma once
// DVD file names and the folder sums built on them. Names are matched without regard to case,
// since discs and their copies spell them either way and Linux file systems do not fold case.

#include <QString>

namespace kbx {

// Title sets are numbered 01 to 99 in the file names.
constexpr int MaxTitleSets = 99;

// "01" for 1, "12" for 12.
QString TitleNumberText(int title);
// "VTS_01_1.VOB": part 0 is the title set's menu, parts from 1 its content.
QString TitleVobName(int title, int part);
// "VTS_01_0.IFO" and its backup "VTS_01_0.BUP".
QString TitleIfoName(int title);
QString TitleBupName(int title);

// Whether `name` matches the wildcard `mask` (* and ?), case-insensitively; "*.*" matches every name.
bool WildcardMatch(const QString &mask, const QString &name);

// Sum of the sizes of the files in `folder` whose names match `mask`; hidden files count, folders
// do not. 0 when nothing matches or the folder cannot be read.
qint64 SumFileSizes(const QString &folder, const QString &mask);

// Path of the entry of `folder` named `name` in any letter case (an exact match wins), or an empty
// string when there is none.
QString FindEntryNoCase(const QString &folder, const QString &name);

// `folder` with exactly one trailing "/".
QString WithTrailingSlash(const QString &folder);

} // namespace kbx
