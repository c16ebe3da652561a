#pragma once

#include "core/Browser.h"

#include <QList>
#include <QString>

namespace engine {

// Builds the script that carries out element steps in a page. Names and
// values travel as a JSON literal, so a password holding quotes, line breaks
// or "</script>" arrives as data and never runs.
// The script evaluates to the number of steps carried out.
QString elementStepsScript(const QList<portal::ElementStep>& steps);

// The script, run only while the document's address is exactly href as the
// page itself spells it.
QString inDocument(const QString& href, const QString& script);

// A page's own script (a "javascript:" address's), which evaluates to true
// once it ran and to false when it threw: a function the page lacks, say.
QString reportingOutcome(const QString& script);

}  // namespace engine
