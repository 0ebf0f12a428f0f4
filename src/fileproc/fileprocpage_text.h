#pragma once
// The translator and question boxes as the Files page uses them, in one place.

#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace kbx::filepage {

// The shell translator's lookup of one text.
QString Tr(const QString &text);
// The same lookup as a function object for the logic's text builders.
std::function<QString(const QString &)> Translation();
// A yes/no question with the text as given, No by default; true on yes.
bool Ask(const QString &text);
// A plain message box; the text is translated as a whole.
void Tell(const QString &text);
// A plain message box with a text that is already translated.
void TellTranslated(QWidget *parent, const QString &text);
// Line breaks inside the page's message texts.
inline const QString LineBreak = QStringLiteral("\n");

// A file name as the engine's file class takes it: the system's bytes, exactly.
std::string NativeName(const QString &fileName);

} // namespace kbx::filepage
