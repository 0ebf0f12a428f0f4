#include "fileproc/fileprocpage_text.h"

#include "fileproc/filenames.h"
#include "ui/dialogs.h"
#include "ui/translator.h"

#include <QApplication>

namespace kbx::filepage {

QString Tr(const QString &text)
{
    return kbx::Translate(text);
}

std::function<QString(const QString &)> Translation()
{
    return [](const QString &text) { return kbx::Translate(text); };
}

bool Ask(const QString &text)
{
    // Nearly every question here lets a job write or cut files: Enter must never mean yes.
    return Dialogs::instance().questionDefaultNo(QApplication::activeWindow(),
                                                ApplicationTitle() + QStringLiteral(" hat eine Frage"), text);
}

void Tell(const QString &text)
{
    kbx::Inform(text);
}

void TellTranslated(QWidget *parent, const QString &text)
{
    Dialogs::instance().information(parent, ApplicationTitle(), text);
}

std::string NativeName(const QString &fileName)
{
    return BytesOfName(fileName).toStdString();
}

} // namespace kbx::filepage
