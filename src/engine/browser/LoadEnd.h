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

// The program's own navigations go to an http address's https spelling
// first (same host, port, path and query), as browsers do before they send
// anything over plain http; other addresses stay as they are.
QUrl httpsFirst(const QUrl& address);

// Whether the https spelling could not be reached at all (refused, reset, no
// TLS spoken there), so that the http address may be tried instead. A
// certificate error never counts: that is someone answering, untrusted.
bool unreachableOverHttps(const QWebEngineLoadingInfo& info);

}  // namespace engine
