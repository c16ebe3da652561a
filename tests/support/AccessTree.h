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

// A pointing hand of its own says that a click on it acts.
inline bool takesClicks(const QWidget* widget)
{
    return widget && widget->testAttribute(Qt::WA_SetCursor) && widget->cursor().shape() == Qt::PointingHandCursor;
}

// Something the user works: by its role, or because it takes a click or the
// focus, itself or through a focus proxy the tree does not show (a web view's).
inline bool interactive(QAccessibleInterface* control)
{
    static const QList<QAccessible::Role> roles{QAccessible::PushButton, QAccessible::CheckBox,
                                                QAccessible::RadioButton, QAccessible::EditableText,
                                                QAccessible::ComboBox,   QAccessible::SpinBox,
                                                QAccessible::Link};
    const auto* widget = qobject_cast<const QWidget*>(control->object());
    const QWidget* proxy = widget ? widget->focusProxy() : nullptr;
    return roles.contains(control->role()) || control->state().focusable || takesClicks(widget)
           || (proxy && proxy->focusPolicy() != Qt::NoFocus
               && control->indexOfChild(QAccessible::queryAccessibleInterface(const_cast<QWidget*>(proxy))) < 0);
}

// Every node below the window, but for a web page's own document, whose
// controls are the portal's.
inline void walk(QAccessibleInterface* node, const std::function<void(QAccessibleInterface*)>& visit)
{
    // A web view's children are the engine's, made and dropped as it likes.
    if (node->object() && node->object()->inherits("QWebEngineView"))
        return;
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
        if (w->window() == window && (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() && w->isVisibleTo(window))
            chain.append(w);
    }
    return chain;
}

// What the window does wrong, one line each: an interactive control without
// a name, a text box not named by its label, a control that takes clicks but
// never Tab, and Tab out of reading order (of two controls, the one wholly
// above comes first, and on one row the one on the left).
inline std::string faults(QWidget* window)
{
    const auto what = [](QObject* object) {
        return QString::fromLatin1(object->metaObject()->className()) + u' ' + object->objectName();
    };
    QStringList found;
    const QList<QWidget*> chain = tabChain(window);
    walk(QAccessible::queryAccessibleInterface(window), [&](QAccessibleInterface* control) {
        if (!interactive(control))
            return;
        const QString name = control->text(QAccessible::Name);
        if (name.trimmed().isEmpty())
            found.append(what(control->object()) + ": no name");
        for (const auto& [label, relation] : control->relations(QAccessible::Label)) {
            if (control->role() == QAccessible::EditableText && label->text(QAccessible::Name) != name)
                found.append(what(control->object()) + ": not named '" + label->text(QAccessible::Name) + "'");
        }
        if (auto* widget = qobject_cast<QWidget*>(control->object()); takesClicks(widget) && !chain.contains(widget))
            found.append(what(widget) + ": takes a click, never Tab");
    });
    const auto placed = [window](QWidget* w) { return QRect(w->mapTo(window, QPoint()), w->size()); };
    for (qsizetype i = 0; i < chain.size(); ++i) {
        for (qsizetype j = i + 1; j < chain.size(); ++j) {
            const QRect first = placed(chain[i]), second = placed(chain[j]);
            const bool sameRow = first.bottom() >= second.top() && second.bottom() >= first.top();
            if (sameRow ? first.left() > second.left() : first.top() > second.top())
                found.append("Tab reaches " + what(chain[i]) + " before " + what(chain[j]));
        }
    }
    return found.join(u'\n').toStdString();
}

}  // namespace accessible
