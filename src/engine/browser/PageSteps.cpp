#include "engine/browser/PageSteps.h"

#include "engine/browser/NavigationMemory.h"
#include "engine/browser/PageScripts.h"
#include "engine/browser/WebPage.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QWebEngineScript>

namespace engine {

Q_DECLARE_LOGGING_CATEGORY(lcBrowser)

PageSteps::PageSteps()
{
    limit_.setSingleShot(true);
    limit_.setInterval(StepTimeoutMs);
    connect(&limit_, &QTimer::timeout, this, [this] {
        qCWarning(lcBrowser) << "the page did not carry out its step in time";
        Q_EMIT hung();
    });
}

void PageSteps::setPage(WebPage* page)
{
    page_ = page;
    pageHasDocument_ = false;
    awaited_ = 0;
    limit_.stop();
}

void PageSteps::documentReported(const QUrl& reached)
{
    ++document_;
    documentUrl_ = reached;
    pageHasDocument_ = true;
}

bool PageSteps::run(const QString& script, quint32 world, Step step)
{
    if (!page_ || !pageHasDocument_) {
        qCDebug(lcBrowser) << "script dropped: no document to run in";
        return false;
    }
    const quint64 document = document_;
    const QString meantFor = NavigationMemory::key(documentUrl_);
    // Each script sent is answered by a page that still runs.
    ++awaited_;
    limit_.start();
    QTimer::singleShot(0, page_, [this, page = page_, script, world, meantFor, document, step] {
        if (page != page_ || document != document_) {
            done(page);
            return;
        }
        const QPointer<PageSteps> self(this);
        page->runJavaScript(QStringLiteral("location.href"), QWebEngineScript::ApplicationWorld,
                            [self, page, script, world, meantFor, step](const QVariant& href) {
                                if (!self || page != self->page_)
                                    return;
                                if (NavigationMemory::key(href.toString()) != meantFor) {
                                    qCDebug(lcBrowser) << "script dropped: the document changed";
                                    self->done(page);
                                    return;
                                }
                                page->runJavaScript(inDocument(href.toString(), script), world,
                                                    [self, page, step](const QVariant& outcome) {
                                                        if (!self)
                                                            return;
                                                        self->done(page);
                                                        // Undefined: the document changed first.
                                                        if (step == Step::PageScript && page == self->page_
                                                            && outcome.userType() == QMetaType::Bool
                                                            && !outcome.toBool())
                                                            Q_EMIT self->pageScriptFailed();
                                                    });
                            });
    });
    return true;
}

void PageSteps::dialogOpen(bool open)
{
    if (open)
        limit_.stop();
    else if (awaited_ > 0)
        limit_.start();
}

void PageSteps::done(WebPage* page)
{
    if (page == page_ && awaited_ > 0 && --awaited_ == 0)
        limit_.stop();
}

}  // namespace engine
