#include "engine/browser/PageScripts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace engine {

namespace {

QString actionName(portal::ElementStep::Action action)
{
    switch (action) {
    case portal::ElementStep::Action::SetValue: return QStringLiteral("value");
    case portal::ElementStep::Action::SetChecked: return QStringLiteral("checked");
    case portal::ElementStep::Action::Click: break;
    }
    return QStringLiteral("click");
}

// Looks an element up by name, then by id, as the document's "all"
// collection does; stops at the first step whose element is missing.
const char* const StepRunner = R"JS((function (steps) {
  var done = 0;
  for (var i = 0; i < steps.length; ++i) {
    var step = steps[i];
    var element = document.getElementsByName(step.element)[0] || document.getElementById(step.element);
    if (!element)
      break;
    if (step.action === 'value')
      element.value = step.value;
    else if (step.action === 'checked')
      element.checked = true;
    else
      element.click();
    ++done;
  }
  return done;
}))JS";

}  // namespace

QString elementStepsScript(const QList<portal::ElementStep>& steps)
{
    QJsonArray list;
    for (const portal::ElementStep& step : steps) {
        list.append(QJsonObject{{QStringLiteral("action"), actionName(step.action)},
                                {QStringLiteral("element"), step.element},
                                {QStringLiteral("value"), step.value}});
    }
    const QString data = QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
    return QString::fromLatin1(StepRunner) + u'(' + data + u')';
}

QString reportingOutcome(const QString& script)
{
    // Lines of their own: a script that ends in a comment keeps it to itself.
    return QStringLiteral("(function () { try {\n%1\n;} catch (e) { return false; } return true; })()").arg(script);
}

QString inDocument(const QString& href, const QString& script)
{
    const QString literal = QString::fromUtf8(QJsonDocument(QJsonArray{href}).toJson(QJsonDocument::Compact));
    return QStringLiteral("if (location.href === %1[0]) { %2; }").arg(literal, script);
}

}  // namespace engine
