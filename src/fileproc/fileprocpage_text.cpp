#include "fileproc/fileprocpage_text.h"

#include "ui/dialogs.h"
#include "ui/translator.h"

#include <QFile>

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
    return kbx::AskQuestion(text);
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
    return QFile::encodeName(fileName).toStdString();
}

} // namespace kbx::filepage
