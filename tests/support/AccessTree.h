#pragma once

#include <QAccessible>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <string>

// A window as a screen reader and a keyboard user meet it, through the
// accessibility tree Qt gives the desktop's accessibility bus.
namespace accessible {

inline std::string textOf(QObject* object, QAccessible::Text kind = QAccessible::Name)
{
    const QAccessibleInterface* control = QAccessible::queryAccessibleInterface(object);
    return control ? control->text(kind).toStdString() : "<no interface>";
}

inline QString describe(QObject* object)
{
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(object->metaObject()->className()),
                                       object->objectName());
}

// A pointing hand of its own says that a click on it acts.
inline bool takesClicks(const QWidget* widget)
{
    return widget && widget->testAttribute(Qt::WA_SetCursor) && widget->cursor().shape() == Qt::PointingHandCursor;
}

// Something the user works: by its role, or because it takes a click (a
// pointing hand) or the focus.
inline bool interactive(QAccessibleInterface* control)
{
    switch (control->role()) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
    case QAccessible::Link: return true;
    default: break;
    }
    if (control->state().focusable)
        return true;
    const auto* widget = qobject_cast<const QWidget*>(control->object());
    if (!widget)
        return false;
    // A focus proxy the tree does not show (a web view's): the user works the control itself.
    QWidget* proxy = widget->focusProxy();
    return (proxy && proxy->focusPolicy() != Qt::NoFocus
            && control->indexOfChild(QAccessible::queryAccessibleInterface(proxy)) < 0)
           || takesClicks(widget);
}

// Every node below the window, not entering a web page's own document:
// its controls are the portal's.
inline void walk(QAccessibleInterface* node, const std::function<void(QAccessibleInterface*)>& visit)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child || !child->object())
            continue;
        visit(child);
        if (child->role() != QAccessible::Document && child->role() != QAccessible::WebDocument)
            walk(child, visit);
    }
}

// The controls Tab reaches, in the order it reaches them.
inline QList<QWidget*> tabChain(QWidget* window)
{
    QList<QWidget*> chain;
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
        if (w->window() == window && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy()
            && w->isVisibleTo(window))
            chain.append(w);
    }
    return chain;
}

// In reading order: a control wholly above another comes first, and of two
// on one row the one on the left.
inline bool readsBefore(QWidget* a, QWidget* b)
{
    const QWidget* window = a->window();
    const QRect first(a->mapTo(window, QPoint()), a->size());
    const QRect second(b->mapTo(window, QPoint()), b->size());
    if (first.bottom() < second.top() || second.bottom() < first.top())
        return first.bottom() < second.top();
    return first.left() < second.left();
}

// What the window does wrong, one line each: an interactive control without
// a name, a text box not named by its label, a control that takes clicks but
// never Tab, and a tab order out of step with the layout.
inline std::string faults(QWidget* window)
{
    QStringList found;
    const QList<QWidget*> chain = tabChain(window);
    walk(QAccessible::queryAccessibleInterface(window), [&](QAccessibleInterface* control) {
        if (!interactive(control))
            return;
        const QString name = control->text(QAccessible::Name);
        const QString what = describe(control->object());
        if (name.trimmed().isEmpty())
            found.append(what + ": no name");
        if (control->role() == QAccessible::EditableText) {
            for (const auto& [label, relation] : control->relations(QAccessible::Label)) {
                if (label->text(QAccessible::Name) != name)
                    found.append(what + ": named '" + name + "', labelled '" + label->text(QAccessible::Name)
                                 + "'");
            }
        }
        auto* widget = qobject_cast<QWidget*>(control->object());
        if (takesClicks(widget) && !chain.contains(widget))
            found.append(what + ": takes a click, never Tab");
    });
    for (qsizetype i = 0; i < chain.size(); ++i) {
        for (qsizetype j = i + 1; j < chain.size(); ++j) {
            if (!readsBefore(chain[i], chain[j]))
                found.append("Tab reaches " + describe(chain[i]) + " before " + describe(chain[j]));
        }
    }
    return found.join(u'\n').toStdString();
}

}  // namespace accessible
