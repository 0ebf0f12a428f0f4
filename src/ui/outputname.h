#pragma once

#include <QString>

namespace kbx {

// The output name proposed for an input: the input's file name in the folder of the current
// output (or of the input when the output is empty), with "KBX_" in front when that is the input's
// own folder. A folder on an optical volume is replaced by the user's videos folder, else home,
// else "/". An input beginning with a quote is taken up to its closing quote, so a whole join-list
// entry gives its path.
QString DefaultOutputName(const QString &currentOutput, const QString &inputName);

} // namespace kbx
