#pragma once

#include "core/Browser.h"

#include <QUrl>

class QWebEngineLoadingInfo;

namespace engine {

// How a load ended: with a document, without one (the engine stopped it, or
// it turned into a download, an empty answer or another program's address),
// or with a failure. Every state of the browser reads a load's end this way.
enum class LoadEnd { Document, NoDocument, Failure };

LoadEnd endOf(const QWebEngineLoadingInfo& info);

// Why a load failed, for the user.
portal::LoadFailure failureOf(const QWebEngineLoadingInfo& info);

// One load of the program's own: an http address goes to its https spelling
// first (same host, port, path and query), as browsers do before they send
// anything over plain http, and to the http address only when the https
// spelling could not be reached at all (refused, reset, no TLS spoken
// there). A certificate error never counts: that is someone answering,
// untrusted. Other addresses load as they are.
class HttpsFirst {
public:
    // What to load first.
    QUrl begin(const QUrl& address);
    // At the load's first end: the http address to load instead, once, or
    // nothing. Forgets the load either way.
    QUrl fallbackAfter(const QWebEngineLoadingInfo& info);
    void clear();

private:
    QUrl attempt_;   // the https spelling tried first
    QUrl fallback_;  // the http address
};

}  // namespace engine
