#pragma once

#include <QString>

namespace quillmark {

// QString::toLower, except that a capital sigma at the end of a word becomes
// the final form ς, as Unicode's Final_Sigma rule has it: "ΆΒΑΣ" is "άβας",
// where QString::toLower gives "άβασ".
QString toLowerWithFinalSigma(QString text);

} // namespace quillmark
