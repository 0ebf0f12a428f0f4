#pragma once
// The analyzer's named search profiles, kept as sections of "analyzeVOB.ini".

#include <QString>
#include <QStringList>

#include <stdexcept>

namespace kbx {

// A profile value that should be a boolean but is not.
class EConvertError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct TVobProfile
{
    QString offset;
    QString offsetInc;
    int type = 1;         // as stored; see WidthOfType
    bool nav = true;
    bool aud = true;
    bool vid = true;
    QString range0;
    QString range1;
    bool range = true;
    bool isSigned = false;
    bool diffs = false;
};

// 8 and 16 select those widths, anything else 32; only the lowest 8 bits count (264 is 8).
int WidthOfType(int type);
// A decimal integer is true when non-zero; "true"/"false" in any case; anything else throws.
bool ProfileBool(const QString &text);
// "-1" or "0".
QString ProfileBoolText(bool value);

class TVobProfileFile
{
public:
    // The file "analyzeVOB.ini" in `folder`.
    explicit TVobProfileFile(const QString &folder);
    QString fileName() const { return m_fileName; }

    // Section names in file order; empty when the file is missing.
    QStringList SectionNames() const;
    // Keys read in the order of the table; a missing section or key gives the default. A malformed
    // boolean throws EConvertError, leaving the fields read before it in `profile`.
    void LoadProfile(const QString &name, TVobProfile &profile) const;
    // Writes every key into the section, creating file or section; other lines stay as they are.
    // Names that are blank or hold "[", "]" or line breaks would break the file and are refused.
    bool SaveProfile(const QString &name, const TVobProfile &profile) const;
    static bool ValidProfileName(const QString &name);

private:
    QString m_fileName;
};

// The "mailto:" address that sends the profile file's lines to `address`.
QString ContributionMailUrl(const QStringList &fileLines, const QString &address);

} // namespace kbx
