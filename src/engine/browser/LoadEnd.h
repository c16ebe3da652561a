#pragma once

#include "core/Browser.h"

class QWebEngineLoadingInfo;

namespace engine {

// How a load ended: with a document, without one (the engine stopped it, or
// it turned into a download, an empty answer or another program's address),
// or with a failure. Every state of the browser reads a load's end this way.
enum class LoadEnd { Document, NoDocument, Failure };

LoadEnd endOf(const QWebEngineLoadingInfo& info);

// Why a load failed, for the user.
portal::LoadFailure failureOf(const QWebEngineLoadingInfo& info);

}  // namespace engine
