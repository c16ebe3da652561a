#pragma once

#include "core/Browser.h"
#include "platform/MessageBox.h"

#include <QJsonObject>
#include <QList>
#include <QRect>
#include <QStringList>

#include <optional>
#include <variant>

namespace platform::link {

// Every message the program and its engine exchange, one struct a kind. On
// the wire each is one JSON object whose "kind" names it; only
// LinkMessages.cpp spells the kinds and fields.
//
// "op" is the number of the operation a message belongs to: a navigation, a
// game start, or the unlock window, each of which has a number of its own.

// From the program.

// document: the number of the page's document last reported complete, which
// a "javascript:" address is meant for.
struct Navigate {
    quint64 op = 0;
    QString address;
    qint64 document = 0;
    bool operator==(const Navigate&) const = default;
};
struct StartGame {
    quint64 op = 0;
    QString address;
    bool operator==(const StartGame&) const = default;
};
// Steps for the page's document the program last heard of, and no other.
struct Act {
    quint64 op = 0;
    QList<portal::ElementStep> steps;
    qint64 document = 0;
    bool operator==(const Act&) const = default;
};
struct Settled {
    bool value = true;
    bool operator==(const Settled&) const = default;
};
// over: the main window's frame, which a page shown is centred over.
struct UnknownPage {
    quint64 op = 0;
    bool value = false;
    std::optional<QRect> over;
    bool operator==(const UnknownPage&) const = default;
};
struct DialogAnswer {
    int id = 0;
    MessageBox::Answer answer = MessageBox::Answer::Cancel;
    bool operator==(const DialogAnswer&) const = default;
};
struct Unlock {
    quint64 op = 0;
    QString address;
    bool operator==(const Unlock&) const = default;
};
struct CloseUnlock {
    quint64 op = 0;
    bool operator==(const CloseUnlock&) const = default;
};
// The game launcher's schemes, sent at the start.
struct LaunchSchemes {
    QStringList schemes;
    bool operator==(const LaunchSchemes&) const = default;
};
struct LaunchAnswer {
    int id = 0;
    bool allowed = false;
    bool operator==(const LaunchAnswer&) const = default;
};

// Both ways: one cookie in raw form. The program gives a fresh engine its
// cookies before anything else; the engine reports each change.
struct Cookie {
    QString raw;
    bool gone = false;
    bool operator==(const Cookie&) const = default;
};

// From the engine.

// A frame's document, or the page's own with its number.
struct Complete {
    quint64 op = 0;
    QString address;
    bool frame = false;
    qint64 document = 0;
    bool operator==(const Complete&) const = default;
};
struct Failed {
    quint64 op = 0;
    QString address;
    portal::LoadFailure::Kind failure = portal::LoadFailure::Kind::Other;
    int code = 0;
    bool operator==(const Failed&) const = default;
};
struct Launched {
    quint64 op = 0;
    portal::LaunchReport::Kind report = portal::LaunchReport::Kind::NoneCame;
    QString reason;
    bool operator==(const Launched&) const = default;
};
struct Dialog {
    quint64 op = 0;
    int id = 0;
    QString text;
    MessageBox::Icon icon = MessageBox::Icon::Information;
    MessageBox::Buttons buttons = MessageBox::Buttons::Ok;
    bool operator==(const Dialog&) const = default;
};
// May the address of another program's scheme go to the system?
struct AskLaunch {
    quint64 op = 0;
    int id = 0;
    QString host;
    QString scheme;
    QString address;
    bool operator==(const AskLaunch&) const = default;
};
// received: how many messages of the program's the engine had then.
struct Idle {
    quint64 received = 0;
    bool operator==(const Idle&) const = default;
};
struct Alive {
    bool operator==(const Alive&) const = default;
};
// The user closed the page shown.
struct PageClosed {
    quint64 op = 0;
    bool operator==(const PageClosed&) const = default;
};
// A document of the unlock window's, its page's or a frame's.
struct UnlockComplete {
    quint64 op = 0;
    QString address;
    bool operator==(const UnlockComplete&) const = default;
};
struct UnlockClosed {
    quint64 op = 0;
    bool operator==(const UnlockClosed&) const = default;
};

using ToEngine = std::variant<Navigate, StartGame, Act, Settled, UnknownPage, DialogAnswer, Unlock, CloseUnlock,
                              LaunchSchemes, LaunchAnswer, Cookie>;
using ToProgram = std::variant<Complete, Failed, Launched, Dialog, AskLaunch, Idle, Alive, PageClosed, UnlockComplete,
                               UnlockClosed, Cookie>;

QJsonObject encode(const ToEngine& message);
QJsonObject encode(const ToProgram& message);
// Nothing for a kind the receiver does not take, or a message missing a field
// or holding one of the wrong type or out of range: it is dropped, with a
// line in the log. Steps that are not well formed drop their message whole:
// a form is filled whole or not at all.
template <typename Message>
std::optional<Message> decode(const QJsonObject& message);

}  // namespace platform::link
